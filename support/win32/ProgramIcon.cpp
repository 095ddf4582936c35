#include "support/win32/ProgramIcon.h"

#include <map>
#include <string>
#include <utility>

#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WindowDpi.h"

namespace lumarind::win32 {

HICON ProgramIcon(const wchar_t* resourceName, int size) {
    static std::map<std::pair<std::wstring, int>, UniqueIcon> icons;
    UniqueIcon& icon = icons[{resourceName, size}];
    if (!icon) {
        icon.reset(static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), resourceName, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        if (!icon) ThrowLastError();
    }
    return icon.get();
}

void SetWindowIcons(HWND window, const wchar_t* resourceName, int dpi) {
    const HICON large = ProgramIcon(resourceName, SystemMetricForDpi(SM_CXICON, dpi));
    const HICON small = ProgramIcon(resourceName, SystemMetricForDpi(SM_CXSMICON, dpi));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

}  // namespace lumarind::win32
