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
#include "support/win32/AtomicFileWriter.h"
#include "support/win32/BoxOwner.h"
#include "support/win32/ProgramIcon.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WindowDpi.h"

namespace lumarind::win32 {
namespace {

constexpr UINT_PTR kCommandLineTimer = 1;
constexpr UINT_PTR kProgressTimer = 2;
// Posted by the thread of long work when a job has ended.
constexpr UINT kWorkFinished = WM_APP + 1;
// Posted by the drop target once a drag has brought data.
constexpr UINT kDataDropped = WM_APP + 2;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
// WM_GETDPISCALEDSIZE, which the headers declare for Windows 10 (1703) only.
constexpr UINT kGetDpiScaledSize = 0x02E4;
// How long a program ending with work stuck waits for that work's temporary
// file to be marked for deletion.
constexpr DWORD kDiscardWaitMs = 2000;
// The bit of a key-down's lParam set when the key was already down.
constexpr LPARAM kRepeatedKey = LPARAM{1} << 30;

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

DWORD WINAPI DiscardUnfinishedFiles(void*) {
    AtomicFileWriter::DiscardUnfinished();
    return 0;
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

MainWindow::MainWindow(Components& components)
    : form_(*this, components),
      dropTarget_([this] { return window_ != nullptr && IsWindowEnabled(window_) != FALSE; },
                  [this](ClipboardContent content, std::optional<Error> error) {
                      droppedData_ = DroppedData{std::move(content), std::move(error)};
                      PostMessageW(window_, kDataDropped, 0, 0);
                  }) {}

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
    progress_.Create(window_);
    work_ = std::make_unique<BackgroundTask>(window_, kWorkFinished);
    // Only a window knows the DPI of the monitor it is on.
    const int dpi = WindowDpi(window_);
    LayOut(dpi);
    const SIZE frame = FrameSize(dpi);
    SetWindowPos(window_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DragAcceptFiles(window_, TRUE);
    dropTarget_.Register(window_);
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
    progress_.LayOut(dpi, static_cast<HFONT>(font.get()));
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
    // An Esc held down repeats: the press that stopped work must not then
    // close the window, nor its repeats reach a control.
    if (key == VK_ESCAPE && (message.lParam & kRepeatedKey) != 0) return false;
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
    // Counted: a load that replaces another is busy before the other's end.
    busyCount_ = busy ? busyCount_ + 1 : (busyCount_ > 0 ? busyCount_ - 1 : 0);
    SetCursor(LoadCursorW(nullptr, busyCount_ == 0 ? IDC_ARROW : CurrentWork() ? IDC_APPSTARTING : IDC_WAIT));
}

void MainWindow::Unload() {
    std::int16_t cancel = 0;
    form_.Form_Unload(cancel);
    if (cancel != 0 || window_ == nullptr) return;
    // A save stopped half-way leaves the old file and nothing beside it.
    StopAllWork();
    DestroyWindow(window_);
}

bool MainWindow::StopAllWork() {
    if (!work_ || work_->StopAll()) return !workLeftRunning_;
    workLeftRunning_ = true;
    // The stuck save's writer will not remove its temporary file. Marking it
    // for deletion may itself hang on such a device, so it is given a moment
    // on a thread of its own, and the program ends regardless.
    const UniqueThread discarding(CreateThread(nullptr, 0, &DiscardUnfinishedFiles, nullptr, 0, nullptr));
    if (discarding) WaitForSingleObject(discarding.get(), kDiscardWaitMs);
    return false;
}

void MainWindow::RunBeside(WorkKind kind, WorkJob job, WorkDone done) {
    work_->Start(kind, std::move(job), std::move(done));
    EnableCommandsFor(kind);
    if (SetTimer(window_, kProgressTimer, layout::kProgressIntervalMs, nullptr) == 0) ThrowLastError();
}

bool MainWindow::CancelWork() { return work_ && work_->Cancel(); }

std::optional<WorkKind> MainWindow::CurrentWork() const { return work_ ? work_->Kind() : std::nullopt; }

void MainWindow::OnWorkFinished(WPARAM number) {
    work_->OnFinished(number);
    // Its done may have started other work (a Retry).
    if (work_->Kind() || window_ == nullptr) return;
    KillTimer(window_, kProgressTimer);
    progress_.Hide();
    EnableCommandsFor(std::nullopt);
}

void MainWindow::OnProgressTimer() {
    const std::optional<WorkKind> kind = work_->Kind();
    if (!kind || work_->Elapsed() < layout::kProgressDelayMs) return;
    progress_.Show(*kind == WorkKind::kLoad ? texts::kLoadingProgress : texts::kSavingProgress, work_->Done(),
                   WorkProgress::kWhole);
}

void MainWindow::EnableCommandsFor(std::optional<WorkKind> work) {
    // A load may be replaced by another (Open stays), a save may not; the
    // document being replaced or written is neither copied nor saved.
    const bool loading = work == WorkKind::kLoad, saving = work == WorkKind::kSave;
    const struct {
        int id;
        bool enabled;
    } commands[] = {{ids::cmdOpenFile, !saving},
                    {ids::cmdCopyText0, !loading},
                    {ids::cmdCopyText1, !loading},
                    {ids::cmdSaveFile, !work}};
    for (const auto& command : commands) {
        const HWND control = GetDlgItem(window_, command.id);
        if (!command.enabled && GetFocus() == control) SetFocus(textBox_);
        EnableWindow(control, command.enabled);
    }
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
        if (wParam == kProgressTimer) OnProgressTimer();
        return 0;
    case kWorkFinished:
        OnWorkFinished(wParam);
        return 0;
    case kDataDropped:
        OnDataDropped();
        return 0;
    case WM_ENDSESSION:
        // The process may be ended once this returns: a save is stopped so
        // that it leaves the old file as it was.
        if (wParam != 0) StopAllWork();
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
        dropTarget_.Revoke();
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
        if (busyCount_ != 0) {
            // Work beside the window leaves it usable: the arrow says so.
            SetCursor(LoadCursorW(nullptr, CurrentWork() ? IDC_APPSTARTING : IDC_WAIT));
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
    case ids::cmdCancelWork:
        CancelWork();
        break;
    default:
        break;
    }
}

void MainWindow::OnDataDropped() {
    std::optional<DroppedData> dropped = std::move(droppedData_);
    droppedData_.reset();
    // A box of ours may have come up since the drop.
    if (!dropped || !IsWindowEnabled(window_)) return;
    if (dropped->error) {
        form_.Form_DropUnreadable(*dropped->error);
    } else {
        form_.Form_DropData(std::move(dropped->content));
    }
}

void MainWindow::OnDropFiles(HDROP drop) {
    const std::vector<std::wstring> paths = TakeDroppedFiles(drop);
    // While one of our boxes or dialogs is up the window is disabled and
    // takes no input, a drop included.
    if (IsWindowEnabled(window_)) form_.Form_DropFiles(paths);
}

}  // namespace lumarind::win32
