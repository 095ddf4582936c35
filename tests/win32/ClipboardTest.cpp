#include <gtest/gtest.h>
#include <windows.h>

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

class ClipboardTest : public ::testing::Test {
protected:
    win32::ClipboardTextWin32 clipboard;
    std::int32_t scratch = 0;
};

TEST_F(ClipboardTest, HoldsExactlyTheTextSetAndNothingAfterClear) {
    clipboard.SetText(L"data:;base64,\r\nAAAA", scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"data:;base64,\r\nAAAA");
    clipboard.SetText(L"Копировать", scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"Копировать");
    clipboard.Clear(scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"<none>");
}

TEST_F(ClipboardTest, FormsTheOneLineFormInItsOwnMemory) {
    clipboard.SetText(L"data:;base64,\r\nAAAA\r\nBB==", scratch, TextForm::kOneLine);
    EXPECT_EQ(ClipboardUnicodeText(), L"data:;base64,AAAABB==");
}

TEST_F(ClipboardTest, HoldsTextsOfSeveralMegabytes) {
    std::wstring text(6'000'000, L'Q');
    for (std::size_t i = 76; i < text.size(); i += 78) text[i] = L'\r', text[i + 1] = L'\n';
    clipboard.SetText(text, scratch);
    EXPECT_TRUE(ClipboardUnicodeText() == text);
}

TEST_F(ClipboardTest, FailsWithAnErrorWhileAnotherProgramHoldsTheClipboard) {
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
    EXPECT_THROW(clipboard.SetText(L"blocked", scratch), Error);
    SetEvent(release);
    holder.join();
    clipboard.SetText(L"free again", scratch);
    EXPECT_EQ(ClipboardUnicodeText(), L"free again");
    CloseHandle(opened);
    CloseHandle(release);
}

}  // namespace
}  // namespace lumarind
