#include "support/win32/ErrorBoxWin32.h"

#include <windows.h>

#include "support/win32/BoxOwner.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {

std::wstring ErrorBoxWin32::Compose(const Error& error, const std::wstring& message) {
    return message + L"\r\n\r\n" + ErrorText(error);
}

int ErrorBoxWin32::ShowError(const Error& error, int style, int, const std::wstring& message, bool) {
    const HWND owner = BoxOwner();
    const int answer = MessageBoxW(owner, Compose(error, message).c_str(), title_.c_str(), static_cast<UINT>(style));
    // A window closed while its box is up (by an installer, say) takes the
    // box with it: that is no failure, and no answer but Cancel.
    if (answer == 0 && owner != nullptr && !IsWindow(owner)) return IDCANCEL;
    if (answer == 0) ThrowLastError();
    return answer;
}

}  // namespace lumarind::win32
