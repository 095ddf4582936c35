#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "cli/win32/ConsoleText.h"
#include "support/win32/UniqueHandle.h"
#include "tests/win32/ScratchFolder.h"

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

// -o CON and -o CONOUT$ name the console: it shows the letters as standard
// output does, not the UTF-8 bytes in its code page.
TEST(ConsoleText, TheConsoleNamedAsOutputShowsTheLettersThemselves) {
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console can be made here";
    const win32::UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(console);
    const testing::ScratchFolder folder;
    const std::wstring input = folder / L"\u0424\u043E\u0442\u043E.png";
    testing::WriteBytes(input, "abc");
    wchar_t self[MAX_PATH];
    const std::wstring here(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::wstring program = here.substr(0, here.find_last_of(L'\\')) + L"\\lumarind-cli.exe";
    for (const wchar_t* name : {L"CON", L"CONOUT$", L"conout$"}) {
        CONSOLE_SCREEN_BUFFER_INFO before{};
        ASSERT_TRUE(GetConsoleScreenBufferInfo(console.get(), &before));
        std::wstring commandLine = L"\"" + program + L"\" -f html -o " + name + L" \"" + input + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &info));
        const win32::UniqueFile process(info.hProcess), thread(info.hThread);
        ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        GetExitCodeProcess(process.get(), &exitCode);
        EXPECT_EQ(exitCode, 0u) << name;
        wchar_t shown[80] = {};
        DWORD read = 0;
        const COORD start{0, before.dwCursorPosition.Y};
        ASSERT_TRUE(ReadConsoleOutputCharacterW(console.get(), shown, 80, start, &read));
        EXPECT_NE(std::wstring(shown, read).find(L"alt=\"\u0424\u043E\u0442\u043E.png\""), std::wstring::npos)
            << name;
    }
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
