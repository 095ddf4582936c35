#include "app/win32/SeparatorLine.h"

#include <windows.h>

#include "app/win32/ControlIds.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

LRESULT CALLBACK SeparatorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void RegisterSeparatorLineClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = SeparatorProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = ids::kSeparatorClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError();
}

}  // namespace lumarind::win32
