#pragma once

#include <memory>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

class AppServicesWin32 : public AppServices {
public:
    CommandLineArgs& CommandLine() override;
    // The About box of the program's resources (IDD_ABOUT), modal to owner.
    void ShowAbout(WindowHandle owner, const ApplicationInfo& application, const std::wstring& extra,
                   const void* picture, const std::wstring& dedication) override;

private:
    std::unique_ptr<CommandLineArgs> commandLine_;
};

// The application object, from the program's version resource where the
// running program has one, otherwise from the constants it was built with.
ApplicationInfo LoadApplicationInfo();

}  // namespace lumarind::win32
