// The program's icons, loaded once per size and kept for the life of the
// process: windows keep using them.
#pragma once

#include <windows.h>

namespace lumarind::win32 {

// The icon resource in this size (a square of size pixels).
HICON ProgramIcon(const wchar_t* resourceName, int size);
// Gives the window the icon sized for this DPI, in the caption and the taskbar.
void SetWindowIcons(HWND window, const wchar_t* resourceName, int dpi);

}  // namespace lumarind::win32
