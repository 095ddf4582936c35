#pragma once

#include <vector>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// The process's arguments after the program's name, split by the Windows
// rules (CommandLineToArgvW), with enclosing quotes removed.
class CommandLineArgsWin32 : public CommandLineArgs {
public:
    CommandLineArgsWin32();
    // The arguments of a whole command line, program name first.
    explicit CommandLineArgsWin32(const std::wstring& commandLine);
    int Count() const override { return static_cast<int>(arguments_.size()); }
    std::wstring Item(int index) const override;
    // Replaces the arguments by those of text, which holds no program name.
    void SetCommandLine(const std::wstring& text, bool) override;

private:
    static std::vector<std::wstring> Split(const std::wstring& commandLine);

    std::vector<std::wstring> arguments_;
};

}  // namespace lumarind::win32
