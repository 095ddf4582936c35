#include "support/win32/ClipboardTextWin32.h"

#include <windows.h>

#include <algorithm>

#include "support/portable/OneLine.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

constexpr int kOpenAttempts = 25;
constexpr DWORD kOpenPauseMs = 20;

class OpenClipboardGuard {
public:
    OpenClipboardGuard() {
        for (int attempt = 0;; ++attempt) {
            if (OpenClipboard(nullptr)) return;
            const DWORD code = GetLastError();
            if (attempt + 1 == kOpenAttempts) ThrowCode(code);
            Sleep(kOpenPauseMs);
        }
    }
    OpenClipboardGuard(const OpenClipboardGuard&) = delete;
    OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
    ~OpenClipboardGuard() { CloseClipboard(); }
};

// The clipboard's own copy of the text, in the asked form and widened to
// 16 bits: the only copy made, however long the text.
template <typename In>
UniqueGlobal CopyToGlobal(std::basic_string_view<In> text, TextForm form) {
    const std::size_t length = form == TextForm::kOneLine ? oneline::Length(text) : text.size();
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t)));
    if (!memory) ThrowLastError();
    const GlobalLockGuard lock(memory.get());
    if (lock.data() == nullptr) ThrowLastError();
    auto* characters = static_cast<wchar_t*>(lock.data());
    if (form == TextForm::kOneLine) {
        oneline::Copy(text, characters);
    } else {
        std::copy(text.begin(), text.end(), characters);
    }
    characters[length] = L'\0';
    return memory;
}

void PutOnClipboard(UniqueGlobal memory) {
    const OpenClipboardGuard open;
    if (!EmptyClipboard()) ThrowLastError();
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) ThrowLastError();
    memory.release();  // the clipboard owns it now
}

}  // namespace

void ClipboardTextWin32::Clear(std::int32_t&) {
    const OpenClipboardGuard open;
    if (!EmptyClipboard()) ThrowLastError();
}

void ClipboardTextWin32::SetText(std::wstring_view text, std::int32_t&, TextForm form) {
    PutOnClipboard(CopyToGlobal(text, form));
}

void ClipboardTextWin32::SetDocument(TextView text, std::int32_t&, TextForm form) {
    PutOnClipboard(text.IsNarrow() ? CopyToGlobal(text.Ascii(), form) : CopyToGlobal(text.Wide(), form));
}

}  // namespace lumarind::win32
