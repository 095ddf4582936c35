#include "support/win32/Win32Components.h"

#include "support/win32/AppServicesWin32.h"
#include "support/win32/ClipboardTextWin32.h"
#include "support/win32/ErrorBoxWin32.h"
#include "support/win32/FileAccessWin32.h"
#include "support/win32/FileDialogWin32.h"
#include "support/win32/RegistryWin32.h"

namespace lumarind::win32 {
namespace {

template <typename Concrete, typename Interface, typename... Arguments>
Interface& OnFirstUse(std::unique_ptr<Interface>& slot, Arguments&&... arguments) {
    if (!slot) slot = std::make_unique<Concrete>(std::forward<Arguments>(arguments)...);
    return *slot;
}

}  // namespace

Win32Components::Win32Components() : application_(LoadApplicationInfo()) {}
Win32Components::~Win32Components() = default;

FileAccess& Win32Components::fileAccess() { return OnFirstUse<FileAccessWin32>(fileAccess_); }
ErrorBox& Win32Components::errorBox() { return OnFirstUse<ErrorBoxWin32>(errorBox_, application_.title); }
ClipboardText& Win32Components::clipboardText() { return OnFirstUse<ClipboardTextWin32>(clipboardText_); }
AppServices& Win32Components::appServices() { return OnFirstUse<AppServicesWin32>(appServices_); }

std::unique_ptr<FileDialog> Win32Components::newFileDialog() { return std::make_unique<FileDialogWin32>(); }
std::unique_ptr<SettingsStore> Win32Components::newSettingsStore() { return std::make_unique<SettingsStoreWin32>(); }
std::unique_ptr<RegistryReader> Win32Components::newRegistryReader() {
    return std::make_unique<RegistryReaderWin32>();
}

}  // namespace lumarind::win32
