// The window that owns every box the program shows: its main window, once
// it exists. Never GetActiveWindow(): that is no window at all while another
// program is in front, and an ownerless box would leave the main window
// usable behind it.
#pragma once

#include <windows.h>

namespace lumarind::win32 {

void SetBoxOwner(HWND window) noexcept;
HWND BoxOwner() noexcept;

}  // namespace lumarind::win32
