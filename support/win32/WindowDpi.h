// The DPI a window is drawn at, and the sizes Windows uses at a DPI. The
// per-window calls came with Windows 10 (1607) and are looked up at run time;
// before them a window takes its monitor's DPI (Windows 8.1) or the system's.
#pragma once

#include <windows.h>

namespace lumarind::win32 {

inline constexpr int kDefaultDpi = 96;

int WindowDpi(HWND window);
// GetSystemMetrics for a window at this DPI.
int SystemMetricForDpi(int index, int dpi);
// The outer size of a window of this style whose client area has this size.
SIZE FrameSizeForClient(SIZE client, DWORD style, DWORD exStyle, int dpi);

}  // namespace lumarind::win32
