#include "app/win32/ProgressPanel.h"

#include <commctrl.h>

#include <string>

#include "app/win32/ControlIds.h"
#include "app/win32/Layout.h"
#include "common/UserTexts.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

HWND CreateHidden(HWND window, int id, const wchar_t* windowClass, const wchar_t* text, DWORD style) {
    const HWND control = CreateWindowExW(0, windowClass, text, WS_CHILD | style, 0, 0, 0, 0, window,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) ThrowLastError();
    return control;
}

void Place(HWND control, const layout::TwipsRect& place, int dpi, HFONT font) {
    SetWindowPos(control, nullptr, layout::TwipsToPixels(place.left, dpi), layout::TwipsToPixels(place.top, dpi),
                 layout::TwipsToPixels(place.width, dpi), layout::TwipsToPixels(place.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace

void ProgressPanel::Create(HWND window) {
    label_ = CreateHidden(window, ids::lblProgress, L"STATIC", L"", SS_LEFT | SS_NOPREFIX);
    bar_ = CreateHidden(window, ids::prgProgress, PROGRESS_CLASSW, L"", 0);
    SendMessageW(bar_, PBM_SETRANGE32, 0, 1000);
    cancel_ = CreateHidden(window, ids::cmdCancelWork, L"BUTTON", texts::kCancelButtonCaption,
                           BS_PUSHBUTTON | WS_TABSTOP);
}

void ProgressPanel::LayOut(int dpi, HFONT font) {
    Place(label_, layout::lblProgress, dpi, font);
    Place(bar_, layout::prgProgress, dpi, font);
    Place(cancel_, layout::cmdCancelWork, dpi, font);
}

void ProgressPanel::Show(const wchar_t* text, int done, int whole) {
    if (done != lastDone_ || !shown_) {
        const std::wstring shownText = std::wstring(text) + L" " + std::to_wstring(done * 100 / whole) + L" %";
        SetWindowTextW(label_, shownText.c_str());
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(done * 1000 / whole), 0);
        lastDone_ = done;
    }
    if (shown_) return;
    shown_ = true;
    for (const HWND control : {label_, bar_, cancel_}) ShowWindow(control, SW_SHOWNA);
}

void ProgressPanel::Hide() {
    if (!shown_) return;
    shown_ = false;
    lastDone_ = -1;
    for (const HWND control : {label_, bar_, cancel_}) ShowWindow(control, SW_HIDE);
}

}  // namespace lumarind::win32
