#pragma once

#include <windows.h>

#include <optional>

#include "support/ComponentObjects.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {

// Text on the clipboard: ASCII as CF_TEXT, from which the system forms
// CF_UNICODETEXT (the same characters in every code page) for programs that
// ask for it, other text as CF_UNICODETEXT. Another program may hold the
// clipboard open for a moment; opening it is retried for about half a second.
//
// A long text whose view keeps it alive is only promised (delayed rendering):
// the copy returns at once, and the text is rendered, once, when a program
// first asks for it or when this object goes, so that it stays on the
// clipboard after the program ends, also when the session ends or an
// installer closes the program. A hidden window of its own answers the
// system for it.
class ClipboardTextWin32 : public ClipboardText {
public:
    ClipboardTextWin32();
    ClipboardTextWin32(const ClipboardTextWin32&) = delete;
    ClipboardTextWin32& operator=(const ClipboardTextWin32&) = delete;
    ~ClipboardTextWin32() override;

    void Clear(std::int32_t&) override;
    void SetText(std::wstring_view text, std::int32_t&, TextForm form = TextForm::kAsIs) override;
    void SetDocument(TextView text, std::int32_t&, TextForm form) override;
    // Waits a few seconds for a program that holds the clipboard.
    void KeepPromiseNow() override;
    // Copied files (CF_HDROP), then an image (the registered "PNG", else
    // CF_DIBV5 or CF_DIB to encode as PNG), then text (CF_UNICODETEXT).
    ClipboardContent GetContent(std::int32_t&) override;

private:
    struct Promise {
        TextView text;
        TextForm form;
    };

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Put(TextView text, TextForm form);
    // Gives the open clipboard the promised text; a text that cannot be
    // rendered (out of memory) is not put at all, never in part.
    void KeepPromise() noexcept;
    void KeepPromiseBeforeClosing() noexcept;

    UniqueWindow window_;
    std::optional<Promise> promise_;
};

}  // namespace lumarind::win32
