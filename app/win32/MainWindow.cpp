#include "app/win32/MainWindow.h"

#include <windowsx.h>

#include "app/win32/ControlIds.h"
#include "app/win32/DroppedFiles.h"
#include "app/win32/Layout.h"
#include "app/win32/SeparatorLine.h"
#include "app/win32/UntrappedError.h"
#include "app/win32/WindowFont.h"
#include "common/UserTexts.h"
#include "common/Version.h"
#include "support/win32/BoxOwner.h"
#include "support/win32/ProgramIcon.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WindowDpi.h"

namespace lumarind::win32 {
namespace {

constexpr UINT_PTR kCommandLineTimer = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
// WM_GETDPISCALEDSIZE, which the headers declare for Windows 10 (1703) only.
constexpr UINT kGetDpiScaledSize = 0x02E4;

struct ControlEntry {
    int id;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    layout::TwipsRect place;
};

// In tab order: creation order is the order Tab walks.
const ControlEntry kControls[] = {
    {ids::txtData, L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, layout::txtData},
    {ids::cmdOpenFile, L"BUTTON", texts::kOpenButtonCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, layout::cmdOpenFile},
    {ids::hsMain0, ids::kSeparatorClass, L"", 0, 0, layout::hsMain0},
    {ids::cmdCopyText0, L"BUTTON", texts::kCopyButtonCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, layout::cmdCopyText0},
    {ids::cmdCopyText1, L"BUTTON", texts::kOneLineButtonCaption, BS_PUSHBUTTON | WS_TABSTOP, 0,
     layout::cmdCopyText1},
    {ids::hsMain1, ids::kSeparatorClass, L"", 0, 0, layout::hsMain1},
    {ids::cmdSaveFile, L"BUTTON", texts::kSaveButtonCaption, BS_PUSHBUTTON | WS_TABSTOP, 0, layout::cmdSaveFile},
};

// The outer size of the window whose client area is the designed one at this DPI.
SIZE FrameSize(int dpi) {
    const SIZE client{layout::TwipsToPixels(layout::kClientWidth, dpi),
                      layout::TwipsToPixels(layout::kClientHeight, dpi)};
    return FrameSizeForClient(client, kWindowStyle, kWindowExStyle, dpi);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::uint16_t ShiftState() {
    std::uint16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
    if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
    return shift;
}

void RegisterMainWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = ids::kMainWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError();
}

}  // namespace

MainWindow::MainWindow(Components& components) : form_(*this, components) {}

MainWindow::~MainWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void MainWindow::Create() {
    RegisterMainWindowClass(&MainWindow::Procedure);
    RegisterSeparatorLineClass();
    const HWND created = CreateWindowExW(kWindowExStyle, ids::kMainWindowClass, LUMARIND_WIDEN(LUMARIND_INTERNAL_NAME),
                                         kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), this);
    if (created == nullptr) ThrowLastError();
    CreateControls();
    // Only a window knows the DPI of the monitor it is on.
    const int dpi = WindowDpi(window_);
    LayOut(dpi);
    const SIZE frame = FrameSize(dpi);
    SetWindowPos(window_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DragAcceptFiles(window_, TRUE);
    if (SetTimer(window_, kCommandLineTimer, layout::kTimerIntervalMs, nullptr) == 0) ThrowLastError();
    timerRunning_ = true;
}

// Placed and given their font by LayOut.
void MainWindow::CreateControls() {
    for (const ControlEntry& entry : kControls) {
        const HWND control = CreateWindowExW(entry.exStyle, entry.windowClass, entry.text,
                                             WS_CHILD | WS_VISIBLE | entry.style, 0, 0, 0, 0, window_,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)),
                                             GetModuleHandleW(nullptr), nullptr);
        if (control == nullptr) ThrowLastError();
        if (entry.id == ids::txtData) textBox_ = control;
    }
    // The document can be as long as memory allows.
    SendMessageW(textBox_, EM_SETLIMITTEXT, 0, 0);
}

void MainWindow::LayOut(int dpi) {
    UniqueGdiObject font = CreateWindowFont(dpi);
    for (const ControlEntry& entry : kControls) {
        const HWND control = GetDlgItem(window_, entry.id);
        SetWindowPos(control, nullptr, layout::TwipsToPixels(entry.place.left, dpi),
                     layout::TwipsToPixels(entry.place.top, dpi), layout::TwipsToPixels(entry.place.width, dpi),
                     layout::TwipsToPixels(entry.place.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    // Every control has let go of the old font before it is deleted.
    font_ = std::move(font);
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    LayOut(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // Only a window that was given the program's icon gets it anew.
    if (SendMessageW(window_, WM_GETICON, ICON_BIG, 0) != 0) SetWindowIcons(window_, kIconResourceName, dpi);
}

void MainWindow::LoadAndShow() {
    form_.Form_Load();
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetFocus(textBox_);
}

bool MainWindow::PreviewKey(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return true;
    if (window_ == nullptr || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return true;
    const auto key = static_cast<std::uint16_t>(message.wParam);
    const std::uint16_t shift = ShiftState();
    Guarded([&] { form_.Form_KeyDown(key, shift); });
    return window_ != nullptr;
}

bool MainWindow::HandleDialogKeys(MSG& message) {
    if (window_ == nullptr) return false;
    // The dialog manager would put the multi-line text box in dialog mode,
    // where Esc posts WM_CLOSE to the window: Shift+Esc would then close it.
    // The text box needs nothing from it but Tab, handled here.
    if (message.hwnd == textBox_) return TabOutOfTextBox(message);
    return IsDialogMessageW(window_, &message) != FALSE;
}

bool MainWindow::TabOutOfTextBox(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || message.hwnd != textBox_) return false;
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    if (const HWND next = GetNextDlgTabItem(window_, textBox_, backwards)) SetFocus(next);
    return true;
}

std::wstring MainWindow::Caption() const { return WindowText(window_); }

void MainWindow::SetCaption(const std::wstring& caption) {
    if (!SetWindowTextW(window_, caption.c_str())) ThrowLastError();
}

void MainWindow::DisableTimer() {
    if (timerRunning_) KillTimer(window_, kCommandLineTimer);
    timerRunning_ = false;
}

void MainWindow::ShowInformation(const std::wstring& text) {
    MessageBoxW(window_, text.c_str(), LUMARIND_WIDEN(LUMARIND_TITLE), MB_OK | MB_ICONINFORMATION);
}

void MainWindow::SetBusy(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void MainWindow::Unload() {
    std::int16_t cancel = 0;
    form_.Form_Unload(cancel);
    if (cancel == 0 && window_ != nullptr) DestroyWindow(window_);
}

std::wstring MainWindow::Text() const { return WindowText(textBox_); }

const std::wstring& MainWindow::Tag() const {
    wideTag_ = document_.View().Widened();
    return wideTag_;
}

void MainWindow::SetText(const std::wstring& text) {
    if (!SetWindowTextW(textBox_, text.c_str())) ThrowLastError();
}

template <typename Handler>
void MainWindow::Guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        ShowUntrappedError(std::current_exception());
        PostQuitMessage(1);
        if (window_ != nullptr) DestroyWindow(window_);
    }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetBoxOwner(window);
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        SetBoxOwner(nullptr);
        self->window_ = nullptr;
        self->textBox_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    self->Guarded([&] { result = self->HandleMessage(message, wParam, lParam); });
    return result;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kCommandLineTimer) form_.tmrCheckCommandLine_Tick();
        return 0;
    case WM_DPICHANGED:
        if (HIWORD(wParam) != 0 && lParam != 0) OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case kGetDpiScaledSize:
        // Windows then suggests exactly the designed client area in WM_DPICHANGED.
        if (wParam == 0 || lParam == 0) return FALSE;
        *reinterpret_cast<SIZE*>(lParam) = FrameSize(static_cast<int>(wParam));
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        Unload();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
        // Give the focus back to the control that had it, as dialogs do.
        if (LOWORD(wParam) == WA_INACTIVE) {
            lastFocus_ = GetFocus();
        } else {
            SetFocus(lastFocus_ != nullptr && IsChild(window_, lastFocus_) ? lastFocus_ : textBox_);
        }
        return 0;
    case WM_SETCURSOR:
        if (busy_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        // The read-only text box keeps the look of a text box.
        if (reinterpret_cast<HWND>(lParam) == textBox_) {
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCommand(int id, int notification) {
    // IDOK and IDCANCEL from IsDialogMessage (Enter, Esc) mean nothing here.
    if (notification != BN_CLICKED) return;
    switch (id) {
    case ids::cmdOpenFile:
        form_.cmdOpenFile_Click();
        break;
    case ids::cmdCopyText0:
        form_.cmdCopyText_Click(0);
        break;
    case ids::cmdCopyText1:
        form_.cmdCopyText_Click(1);
        break;
    case ids::cmdSaveFile:
        form_.cmdSaveFile_Click();
        break;
    default:
        break;
    }
}

void MainWindow::OnDropFiles(HDROP drop) {
    const std::vector<std::wstring> paths = TakeDroppedFiles(drop);
    // While one of our boxes or dialogs is up the window is disabled and
    // takes no input, a drop included.
    if (IsWindowEnabled(window_)) form_.Form_DropFiles(paths);
}

}  // namespace lumarind::win32
