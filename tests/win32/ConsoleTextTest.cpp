#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "cli/win32/ConsoleText.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::cli {
namespace {

constexpr char kCyrillicUtf8[] = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.png";

TEST(ConsoleText, AConsoleShowsTheLettersThemselves) {
    // A console of the test's own, whatever the test was started from.
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console can be made here";
    const win32::UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(console);
    CONSOLE_SCREEN_BUFFER_INFO before{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(console.get(), &before));
    WriteUtf8Text(console.get(), kCyrillicUtf8);
    // A streamed snippet may cut a letter in two between writes.
    ConsoleText streamed(console.get());
    streamed.Write(std::string_view(kCyrillicUtf8, 3));
    streamed.Write(kCyrillicUtf8 + 3);
    streamed.Finish();
    wchar_t shown[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(console.get(), shown, 16, before.dwCursorPosition, &read));
    EXPECT_EQ(std::wstring(shown, read), L"Фото.pngФото.png");
}

TEST(ConsoleText, APipeGetsTheUtf8BytesUnchanged) {
    win32::UniqueFile readEnd, writeEnd;
    ASSERT_TRUE(CreatePipe(readEnd.put(), writeEnd.put(), nullptr, 0));
    WriteUtf8Text(writeEnd.get(), kCyrillicUtf8);
    char bytes[32] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(readEnd.get(), bytes, sizeof bytes, &read, nullptr));
    EXPECT_EQ(std::string(bytes, read), kCyrillicUtf8);
}

}  // namespace
}  // namespace lumarind::cli
