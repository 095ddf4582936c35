#include "tests/gui/Driver.h"

#include <shlobj.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "app/win32/ControlIds.h"

namespace lumarind::gui {
namespace {

constexpr DWORD kPollMs = 20;
constexpr int kFileNameEdit = 1148;
constexpr int kFileTypeList = 1136;
constexpr wchar_t kSettingsKey[] = L"Software\\Tolvarn\\Lumarind";

struct Search {
    DWORD processId;  // 0 for any process
    HWND exclude;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search.processId != 0 && owner != search.processId) || window == search.exclude || !IsWindowVisible(window)) return TRUE;
    wchar_t className[64];
    GetClassNameW(window, className, 64);
    if (search.className != nullptr && std::wstring(className) != search.className) return TRUE;
    search.found = window;
    return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM parameter) {
    wchar_t className[32];
    GetClassNameW(child, className, 32);
    if (_wcsicmp(className, L"Static") == 0) {
        const std::wstring text = WindowText(child);
        if (!text.empty()) {
            auto& joined = *reinterpret_cast<std::wstring*>(parameter);
            if (!joined.empty()) joined += L"\n";
            joined += text;
        }
    }
    return TRUE;
}

void SendKeyEvent(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

std::wstring Quote(const std::wstring& argument) { return L"\"" + argument + L"\""; }

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD deadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

std::wstring WindowText(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring DialogText(HWND dialog) {
    std::wstring joined;
    EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&joined));
    return joined;
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void ClickAndWait(HWND button) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kDeadlineMs, &result);
}

std::optional<std::wstring> ClipboardText() {
    std::optional<std::wstring> text;
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const win32::GlobalLockGuard lock(data);
        if (lock.data() != nullptr) text = static_cast<const wchar_t*>(lock.data());
    }
    CloseClipboard();
    return text;
}

void SetClipboard(const std::wstring& text) {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) throw std::runtime_error("clipboard busy");
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    {
        const win32::GlobalLockGuard lock(memory);
        std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(lock.data()));
    }
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

void SetClipboardBlocks(const std::vector<std::pair<UINT, std::string>>& blocks) {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) throw std::runtime_error("clipboard busy");
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        {
            const win32::GlobalLockGuard lock(memory);
            std::memcpy(lock.data(), bytes.data(), bytes.size());
        }
        SetClipboardData(format, memory);
    }
    CloseClipboard();
}

std::string BitmapBlock(const std::string& pixels, LONG width, LONG height, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    const std::size_t row = static_cast<std::size_t>(width) * channels;
    const std::size_t stride = (row + 3) / 4 * 4;
    std::string block;
    if (withAlpha) {
        BITMAPV5HEADER header{};
        header.bV5Size = sizeof header;
        header.bV5Width = width;
        header.bV5Height = height;
        header.bV5Planes = 1;
        header.bV5BitCount = 32;
        header.bV5Compression = BI_BITFIELDS;
        header.bV5RedMask = 0x00FF0000;
        header.bV5GreenMask = 0x0000FF00;
        header.bV5BlueMask = 0x000000FF;
        header.bV5AlphaMask = 0xFF000000;
        header.bV5CSType = 0x73524742;  // LCS_sRGB, which the headers spell as a multi-character constant
        header.bV5Intent = LCS_GM_IMAGES;
        header.bV5SizeImage = static_cast<DWORD>(stride * height);
        block.assign(reinterpret_cast<const char*>(&header), sizeof header);
    } else {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(stride * height);
        block.assign(reinterpret_cast<const char*>(&header), sizeof header);
    }
    for (LONG y = height - 1; y >= 0; --y) {
        block.append(pixels, static_cast<std::size_t>(y) * row, row);
        block.append(stride - row, '\0');
    }
    return block;
}

std::string FileListBlock(const std::vector<std::wstring>& paths) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::wstring& path : paths) {
        block.append(reinterpret_cast<const char*>(path.c_str()), (path.size() + 1) * sizeof(wchar_t));
    }
    block.append(sizeof(wchar_t), '\0');
    return block;
}

ClipboardHolder::ClipboardHolder()
    : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) {
    if (!WaitUntil([this] { return OpenClipboard(window_) != FALSE; })) throw std::runtime_error("clipboard busy");
}

ClipboardHolder::~ClipboardHolder() {
    CloseClipboard();
    DestroyWindow(window_);
}

void PressKey(WORD key, const std::vector<WORD>& modifiers) {
    for (WORD modifier : modifiers) SendKeyEvent(modifier, false);
    SendKeyEvent(key, false);
    SendKeyEvent(key, true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) SendKeyEvent(*it, true);
}

void ResetSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

std::optional<std::wstring> Setting(const std::wstring& name) {
    wchar_t value[32768];
    DWORD bytes = sizeof value;
    const std::wstring key = std::wstring(kSettingsKey) + L"\\OFN Paths";
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}

std::wstring ProgramPath() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Lumarind.exe";
}

RunningProgram::RunningProgram(const std::vector<std::wstring>& arguments) {
    std::wstring commandLine = Quote(ProgramPath());
    for (const std::wstring& argument : arguments) commandLine += L" " + Quote(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        throw std::runtime_error("cannot start Lumarind.exe");
    }
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    WaitUntil([this] {
        Search search{processId_, nullptr, ids::kMainWindowClass, nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
        window_ = search.found;
        return window_ != nullptr;
    });
    if (window_ == nullptr) throw std::runtime_error("the main window did not appear");
}

RunningProgram::~RunningProgram() {
    if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) return;
    // Close any box first, then the window; end the process if it hangs.
    for (int round = 0; round < 5; ++round) {
        if (const HWND dialog = FindDialog()) PostMessageW(dialog, WM_CLOSE, 0, 0);
        if (IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_.get(), 1000) == WAIT_OBJECT_0) return;
    }
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
}

bool RunningProgram::HasExited(DWORD deadlineMs) const {
    return WaitForSingleObject(process_.get(), deadlineMs) == WAIT_OBJECT_0;
}

DWORD RunningProgram::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void RunningProgram::EndSession() const {
    std::vector<HWND> windows;
    EnumThreadWindows(
        threadId_,
        [](HWND window, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    for (const UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION}) {
        for (const HWND window : windows) {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, message, message == WM_ENDSESSION, ENDSESSION_CLOSEAPP, SMTO_NORMAL,
                                kDeadlineMs, &result);
        }
    }
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), kDeadlineMs);
}

HWND RunningProgram::Focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

void RunningProgram::Activate() const {
    SetForegroundWindow(window_);
    WaitUntil([this] { return GetForegroundWindow() == window_; }, 3000);
}

HWND RunningProgram::FindDialog() const {
    Search search{processId_, window_, L"#32770", nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ButtonSearch {
    DWORD processId;
    int buttonId;
    HWND found;
};

BOOL CALLBACK FindDialogWithButton(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<ButtonSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16];
    GetClassNameW(window, className, 16);
    if (owner == search.processId && IsWindowVisible(window) && std::wstring(className) == L"#32770" &&
        GetDlgItem(window, search.buttonId) != nullptr) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND RunningProgram::WaitForDialogWithButton(int buttonId, DWORD deadlineMs) const {
    ButtonSearch search{processId_, buttonId, nullptr};
    WaitUntil([&] {
        EnumWindows(FindDialogWithButton, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, deadlineMs);
    return search.found;
}

HWND FindVisibleWindow(const wchar_t* className) {
    Search search{0, nullptr, className, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND RunningProgram::WaitForDialog(DWORD deadlineMs) const {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindDialog()) != nullptr; }, deadlineMs);
    return dialog;
}

bool RunningProgram::WaitForCaption(const std::wstring& caption) const {
    return WaitUntil([&] { return WindowText(window_) == caption; });
}

void RunningProgram::AnswerFileDialog(const std::wstring& fileName, std::optional<int> typeIndex) const {
    const HWND dialog = WaitForDialog();
    if (dialog == nullptr) throw std::runtime_error("no file dialog");
    HWND edit = nullptr;
    WaitUntil([&] { return (edit = GetDlgItem(dialog, kFileNameEdit)) != nullptr; });
    if (typeIndex) {
        const HWND types = GetDlgItem(dialog, kFileTypeList);
        SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(*typeIndex), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeList, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
    }
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
    Click(GetDlgItem(dialog, IDOK));
}

void RunningProgram::CancelDialog() const {
    const HWND dialog = WaitForDialog();
    if (dialog == nullptr) throw std::runtime_error("no dialog");
    Click(GetDlgItem(dialog, IDCANCEL));
}

void RunningProgram::SendDpiChanged(int dpi, const RECT& suggested) const {
    void* remote = VirtualAllocEx(process_.get(), nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) throw std::runtime_error("cannot reach the program's memory");
    if (WriteProcessMemory(process_.get(), remote, &suggested, sizeof suggested, nullptr)) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote),
                            SMTO_ABORTIFHUNG, kDeadlineMs, &result);
    }
    VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
}

WindowPinger::WindowPinger(HWND window) : thread_([this, window] { Run(window); }) {}

WindowPinger::~WindowPinger() {
    stop_ = true;
    thread_.join();
}

void WindowPinger::Measure(bool on) {
    if (on) {
        longestMs_ = 0;
        lastMs_ = Now();
    }
    measuring_ = on;
}

long long WindowPinger::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void WindowPinger::Run(HWND window) {
    while (!stop_) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
        const long long now = Now(), gap = now - lastMs_.exchange(now);
        if (measuring_ && gap > longestMs_) longestMs_ = gap;
        Sleep(5);
    }
}

HRESULT OfferedBlock::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IDataObject) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT OfferedBlock::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block_.size());
    if (memory == nullptr) return E_OUTOFMEMORY;
    std::memcpy(GlobalLock(memory), block_.data(), block_.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT OfferedBlock::QueryGetData(FORMATETC* format) {
    return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : DV_E_FORMATETC;
}

HRESULT OfferedBlock::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    out->ptd = nullptr;
    return E_NOTIMPL;
}

namespace {

// A drag that drops once it has been over the target for a moment.
class DropSoon : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDropSource) {
            *object = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
        return ++asked_ > 3 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int asked_ = 0;
};

}  // namespace

std::optional<DWORD> DragOnto(HWND window, UINT format, std::string block) {
    RECT place{};
    GetWindowRect(window, &place);
    SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    auto effect = std::make_shared<std::atomic<DWORD>>(DROPEFFECT_NONE);
    auto done = std::make_shared<std::atomic<bool>>(false);
    // Detached: a window that keeps the drag waiting must not hang the test.
    std::thread([effect, done, format, block = std::move(block)]() mutable {
        if (SUCCEEDED(OleInitialize(nullptr))) {
            OfferedBlock data(format, std::move(block));
            DropSoon source;
            DWORD chosen = DROPEFFECT_NONE;
            DoDragDrop(&data, &source, DROPEFFECT_COPY, &chosen);
            *effect = chosen;
            OleUninitialize();
        }
        *done = true;
    }).detach();
    if (!WaitUntil([&] { return done->load(); })) return std::nullopt;
    return effect->load();
}

}  // namespace lumarind::gui
