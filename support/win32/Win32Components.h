#pragma once

#include <memory>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// The real components. The four globals are made on first use and live as
// long as this object, which the program keeps until it ends.
class Win32Components : public Components {
public:
    Win32Components();
    ~Win32Components() override;

    FileAccess& fileAccess() override;
    ErrorBox& errorBox() override;
    ClipboardText& clipboardText() override;
    AppServices& appServices() override;
    std::unique_ptr<FileDialog> newFileDialog() override;
    std::unique_ptr<SettingsStore> newSettingsStore() override;
    std::unique_ptr<RegistryReader> newRegistryReader() override;
    const ApplicationInfo& application() override { return application_; }

private:
    ApplicationInfo application_;
    std::unique_ptr<FileAccess> fileAccess_;
    std::unique_ptr<ErrorBox> errorBox_;
    std::unique_ptr<ClipboardText> clipboardText_;
    std::unique_ptr<AppServices> appServices_;
};

}  // namespace lumarind::win32
