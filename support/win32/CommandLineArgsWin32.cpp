#include "support/win32/CommandLineArgsWin32.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "support/win32/Win32Error.h"

namespace lumarind::win32 {

CommandLineArgsWin32::CommandLineArgsWin32() : arguments_(Split(GetCommandLineW())) {}

CommandLineArgsWin32::CommandLineArgsWin32(const std::wstring& commandLine) : arguments_(Split(commandLine)) {}

std::vector<std::wstring> CommandLineArgsWin32::Split(const std::wstring& commandLine) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(commandLine.c_str(), &count);
    if (words == nullptr) ThrowLastError();
    const std::unique_ptr<wchar_t*, decltype(&LocalFree)> owner(words, &LocalFree);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
    return arguments;
}

std::wstring CommandLineArgsWin32::Item(int index) const {
    if (index < 0 || index >= Count()) {
        throw Error(errors::kInvalidArgument, L"No command-line argument " + std::to_wstring(index) + L".");
    }
    return arguments_[static_cast<std::size_t>(index)];
}

void CommandLineArgsWin32::SetCommandLine(const std::wstring& text, bool) {
    // The first word follows the rules of a program name; give it one.
    arguments_ = Split(L"program " + text);
}

}  // namespace lumarind::win32
