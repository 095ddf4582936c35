#include "support/win32/WindowDpi.h"

namespace lumarind::win32 {
namespace {

// A user32 function that older Windows lacks, or null.
template <typename Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    // Through a generic function pointer: GCC warns of a direct cast.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

// Windows 8.1 knows the DPI of each monitor, though not yet of a window.
int MonitorDpi(HWND window) {
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    static const auto getDpiForMonitor = []() -> GetDpiForMonitorFunction {
        const HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (shcore == nullptr) return nullptr;
        return reinterpret_cast<GetDpiForMonitorFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(shcore, "GetDpiForMonitor")));
    }();
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (getDpiForMonitor == nullptr ||
        FAILED(getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &dpiX, &dpiY))) {
        return 0;
    }
    return static_cast<int>(dpiY);
}

int SystemDpi() {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) return kDefaultDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

}  // namespace

int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    } else if (const int dpi = MonitorDpi(window)) {
        return dpi;
    }
    return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto getSystemMetricsForDpi =
        User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi != nullptr) return getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    // What GetSystemMetrics gives is for the system DPI.
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

SIZE FrameSizeForClient(SIZE client, DWORD style, DWORD exStyle, int dpi) {
    using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustWindowRectExForDpi =
        User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, client.cx, client.cy};
    if (adjustWindowRectExForDpi == nullptr ||
        !adjustWindowRectExForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace lumarind::win32
