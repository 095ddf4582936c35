#include "support/win32/ClipboardTextWin32.h"

#include <algorithm>

#include "support/TextSlices.h"
#include "support/win32/OfferedContent.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

constexpr int kOpenAttempts = 25;
constexpr DWORD kOpenPauseMs = 20;
// Before the program ends with a text promised: a few seconds, not forever.
constexpr int kClosingOpenAttempts = 250;
constexpr wchar_t kOwnerWindowClass[] = L"LumarindClipboardOwner";

// Texts up to this length go on the clipboard at once: that takes a few
// milliseconds, and they stay there however the program ends. Longer ones are
// promised: under Wine the system copies what is put, and 90 million
// characters cost it half a second and more.
constexpr std::size_t kRenderAtOnceLimit = std::size_t{1} << 21;

class OpenClipboardGuard {
public:
    explicit OpenClipboardGuard(HWND owner, int attempts = kOpenAttempts) {
        for (int attempt = 0;; ++attempt) {
            if (OpenClipboard(owner)) return;
            const DWORD code = GetLastError();
            if (attempt + 1 == attempts) ThrowCode(code);
            Sleep(kOpenPauseMs);
        }
    }
    OpenClipboardGuard(const OpenClipboardGuard&) = delete;
    OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
    ~OpenClipboardGuard() { CloseClipboard(); }
};

UINT FormatOf(const TextView& text) { return text.IsNarrow() ? CF_TEXT : CF_UNICODETEXT; }

// The clipboard's own copy of the text, in the asked form, in characters of
// the clipboard format: the only copy made, however long the text.
template <typename Char>
UniqueGlobal CopyToGlobal(const TextView& text, TextForm form) {
    const std::size_t length = LengthOf(text, form);
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(Char)));
    if (!memory) ThrowLastError();
    const GlobalLockGuard lock(memory.get());
    if (lock.data() == nullptr) ThrowLastError();
    Char* characters = static_cast<Char*>(lock.data());
    ForEachSlice(text, form, [&](auto slice) { characters = std::copy(slice.begin(), slice.end(), characters); });
    *characters = Char{0};
    return memory;
}

UniqueGlobal Render(const TextView& text, TextForm form) {
    return text.IsNarrow() ? CopyToGlobal<char>(text, form) : CopyToGlobal<wchar_t>(text, form);
}

void RegisterOwnerWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kOwnerWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError();
}

}  // namespace

ClipboardTextWin32::ClipboardTextWin32() {
    RegisterOwnerWindowClass(&ClipboardTextWin32::Procedure);
    // A top-level window, never shown: unlike a message-only one it is told
    // when the session ends or an installer closes the program.
    if (!CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         GetModuleHandleW(nullptr), this)) {
        ThrowLastError();
    }
}

// Destroying the window makes the system ask for whatever is still promised.
ClipboardTextWin32::~ClipboardTextWin32() { window_.reset(); }

void ClipboardTextWin32::Clear(std::int32_t&) {
    const OpenClipboardGuard open(window_.get());
    if (!EmptyClipboard()) ThrowLastError();
    promise_.reset();
}

ClipboardContent ClipboardTextWin32::GetContent(std::int32_t&) {
    const OpenClipboardGuard open(window_.get());
    OpenClipboardFormats formats;
    return ContentOf(formats);
}

void ClipboardTextWin32::SetText(std::wstring_view text, std::int32_t&, TextForm form) { Put(TextView(text), form); }

void ClipboardTextWin32::SetDocument(TextView text, std::int32_t&, TextForm form) { Put(std::move(text), form); }

void ClipboardTextWin32::Put(TextView text, TextForm form) {
    const OpenClipboardGuard open(window_.get());
    if (!EmptyClipboard()) ThrowLastError();
    promise_.reset();
    const UINT format = FormatOf(text);
    if (text.KeepsText() && text.size() > kRenderAtOnceLimit) {
        promise_ = Promise{std::move(text), form};
        SetLastError(ERROR_SUCCESS);
        if (SetClipboardData(format, nullptr) == nullptr && GetLastError() != ERROR_SUCCESS) {
            const DWORD code = GetLastError();
            promise_.reset();
            ThrowCode(code);
        }
        return;
    }
    UniqueGlobal memory = Render(text, form);
    if (SetClipboardData(format, memory.get()) == nullptr) ThrowLastError();
    memory.release();  // the clipboard owns it now
}

void ClipboardTextWin32::KeepPromiseNow() {
    if (!promise_) return;
    const OpenClipboardGuard open(window_.get(), kClosingOpenAttempts);
    // Another program may have emptied the clipboard since.
    if (GetClipboardOwner() == window_.get()) {
        UniqueGlobal memory = Render(promise_->text, promise_->form);
        if (SetClipboardData(FormatOf(promise_->text), memory.get()) == nullptr) ThrowLastError();
        memory.release();
    }
    promise_.reset();
}

void ClipboardTextWin32::KeepPromise() noexcept {
    if (!promise_) return;
    try {
        UniqueGlobal memory = Render(promise_->text, promise_->form);
        if (SetClipboardData(FormatOf(promise_->text), memory.get()) == nullptr) return;
        memory.release();
        // The clipboard has its copy; the document may go.
        promise_.reset();
    } catch (...) {
        // The program that asked gets no text; a later request tries again.
    }
}

void ClipboardTextWin32::KeepPromiseBeforeClosing() noexcept {
    if (!promise_) return;
    try {
        const OpenClipboardGuard open(window_.get());
        // Another program may have emptied the clipboard since.
        if (GetClipboardOwner() == window_.get()) KeepPromise();
    } catch (...) {
        // The clipboard stayed busy: the text goes with the program.
    }
    promise_.reset();
}

LRESULT CALLBACK ClipboardTextWin32::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ClipboardTextWin32*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ClipboardTextWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_.release();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT ClipboardTextWin32::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_RENDERFORMAT:
        // The program that asked holds the clipboard open meanwhile.
        if (promise_ && wParam == FormatOf(promise_->text)) KeepPromise();
        return 0;
    case WM_RENDERALLFORMATS:
        KeepPromiseBeforeClosing();
        return 0;
    case WM_ENDSESSION:
        // The process may be ended without warning once this returns, its
        // windows never destroyed.
        if (wParam) KeepPromiseBeforeClosing();
        return 0;
    case WM_DESTROYCLIPBOARD:
        promise_.reset();
        return 0;
    case WM_CLOSE:
        // Asked of every top-level window by tools that close a program
        // politely; this one goes with the object, or copies would fail.
        return 0;
    default:
        return DefWindowProcW(window_.get(), message, wParam, lParam);
    }
}

}  // namespace lumarind::win32
