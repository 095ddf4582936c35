#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <thread>

#include "support/win32/ClipboardTextWin32.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind {
namespace {

std::wstring ClipboardUnicodeText() {
    if (!OpenClipboard(nullptr)) return L"<cannot open>";
    std::wstring text = L"<none>";
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const win32::GlobalLockGuard lock(data);
        if (lock.data() != nullptr) text = static_cast<const wchar_t*>(lock.data());
    }
    CloseClipboard();
    return text;
}

// Longer than the clipboard takes at once, in lines as the window's document has them.
std::string LongAsciiText(std::size_t size = 3'000'000) {
    std::string text(size, 'Q');
    for (std::size_t i = 76; i + 1 < text.size(); i += 78) text[i] = '\r', text[i + 1] = '\n';
    return text;
}

std::wstring Widened(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring OneLine(std::wstring text) {
    std::wstring result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

class ClipboardTest : public ::testing::Test {
protected:
    // A text shared as the window shares its document.
    TextView Shared(std::string text) {
        auto owned = std::make_shared<const std::string>(std::move(text));
        owner = owned;
        return TextView(std::string_view(*owned), owned);
    }

    std::optional<win32::ClipboardTextWin32> clipboard{std::in_place};
    std::weak_ptr<const std::string> owner;
    std::int32_t scratch = 0;
};

TEST_F(ClipboardTest, HoldsExactlyTheTextSetAndNothingAfterClear) {
    clipboard->SetText(L"data:;base64,\r\nAAAA", scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"data:;base64,\r\nAAAA");
    clipboard->SetText(L"Копировать", scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"Копировать");
    clipboard->Clear(scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"<none>");
}

TEST_F(ClipboardTest, FormsTheOneLineFormInItsOwnMemory) {
    clipboard->SetText(L"data:;base64,\r\nAAAA\r\nBB==", scratch, TextForm::kOneLine);
    EXPECT_EQ(ClipboardUnicodeText(), L"data:;base64,AAAABB==");
}

// ASCII goes on as CF_TEXT, other text as CF_UNICODETEXT, put at once or
// promised; a reader asking for Unicode gets the very same characters.
TEST_F(ClipboardTest, GivesEveryTextAsUnicodeInEitherForm) {
    std::wstring wide(6'000'000, L'Ж');
    for (std::size_t i = 76; i < wide.size(); i += 78) wide[i] = L'\r', wide[i + 1] = L'\n';
    const DocumentText wideDocument(wide);
    const std::string shortAscii = "data:;base64,\r\nAA\rAA\r\n\nBB==\r";
    // Closing every window of the program, as some tools ask, leaves copying and promising working.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            return TRUE;
        },
        0);
    for (const TextForm form : {TextForm::kAsIs, TextForm::kOneLine}) {
        const auto expected = [&](std::wstring text) { return form == TextForm::kOneLine ? OneLine(text) : text; };
        clipboard->SetDocument(wideDocument.View(), scratch, form);
        EXPECT_TRUE(ClipboardUnicodeText() == expected(wide));
        clipboard->SetDocument(Shared(shortAscii), scratch, form);
        EXPECT_EQ(ClipboardUnicodeText(), expected(Widened(shortAscii)));
        // Either side of the length from which a text is promised: 2 Mi characters.
        for (const std::size_t size : {std::size_t{1} << 21, (std::size_t{1} << 21) + 1}) {
            const bool promised = size > std::size_t{1} << 21;
            clipboard->SetDocument(Shared(LongAsciiText(size)), scratch, form);
            EXPECT_EQ(owner.expired(), !promised) << size << ": a long text is promised, not put";
            EXPECT_TRUE(ClipboardUnicodeText() == expected(Widened(LongAsciiText(size)))) << size;
            EXPECT_TRUE(owner.expired()) << size << ": once rendered, the text is let go";
        }
    }
}

TEST_F(ClipboardTest, APromisedTextIsTheOneCopiedAndOutlivesItsSourceAndTheObject) {
    DocumentText document = DocumentText::Ascii(3'000'000);
    const std::string text = LongAsciiText();
    std::copy(text.begin(), text.end(), document.AsciiData());
    clipboard->SetDocument(document.View(), scratch, TextForm::kOneLine);
    document = DocumentText(L"another file");
    clipboard.reset();
    EXPECT_TRUE(ClipboardUnicodeText() == OneLine(Widened(text)));
}

TEST_F(ClipboardTest, ADocumentHeldAsBytesIsPromisedAndRenderedInEitherForm) {
    std::string bytes(2'000'000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 29 + i / 5);
    for (const wchar_t* header : {L"data:a/b;base64,\r\n", L"data:text/\u0436;base64,\r\n"}) {
        const DocumentText document(EncodedText{header, std::make_shared<const ContentBytes>(bytes)});
        const std::wstring whole = document.View().Widened();
        for (const TextForm form : {TextForm::kAsIs, TextForm::kOneLine}) {
            clipboard->SetDocument(document.View(), scratch, form);
            EXPECT_TRUE(ClipboardUnicodeText() == (form == TextForm::kOneLine ? OneLine(whole) : whole));
        }
    }
}

TEST_F(ClipboardTest, APromiseIsLetGoWhenAnotherProgramTakesTheClipboard) {
    clipboard->SetDocument(Shared(LongAsciiText()), scratch, TextForm::kAsIs);
    ASSERT_FALSE(owner.expired());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_TRUE(owner.expired());
    clipboard.reset();
    EXPECT_EQ(ClipboardUnicodeText(), L"<none>");
}

TEST_F(ClipboardTest, ATextThatCannotBeRenderedGivesNoTextAndNoCrash) {
    // A view longer than any memory: the render fails at its allocation,
    // before a character is read.
    const auto owned = std::make_shared<const char>('Q');
    const std::string_view endless(owned.get(), std::size_t{1} << 50);
    clipboard->SetDocument(TextView(endless, owned), scratch, TextForm::kAsIs);
    EXPECT_EQ(ClipboardUnicodeText(), L"<none>");
    clipboard.reset();
    EXPECT_EQ(ClipboardUnicodeText(), L"<none>");
}

TEST_F(ClipboardTest, FailsWithAnErrorWhileAnotherProgramHoldsTheClipboard) {
    clipboard->SetDocument(Shared(LongAsciiText()), scratch, TextForm::kAsIs);
    const HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        OpenClipboard(window);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        CloseClipboard();
        DestroyWindow(window);
    });
    WaitForSingleObject(opened, 10000);
    EXPECT_THROW(clipboard->SetText(L"blocked", scratch), Error);
    EXPECT_THROW(clipboard->Clear(scratch), Error);
    SetEvent(release);
    holder.join();
    EXPECT_FALSE(owner.expired()) << "the earlier promise still stands";
    clipboard->SetText(L"free again", scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"free again");
    CloseHandle(opened);
    CloseHandle(release);
}

}  // namespace
}  // namespace lumarind
