#include <gtest/gtest.h>

#include "support/win32/CommandLineArgsWin32.h"
#include "support/win32/ErrorBoxWin32.h"
#include "support/win32/FileDialogWin32.h"

namespace lumarind {
namespace {

TEST(CommandLineArgs, SplitsByTheWindowsRulesWithoutTheProgramName) {
    win32::CommandLineArgsWin32 args(L"prog \"C:\\a b\\c.png\" second");
    ASSERT_EQ(args.Count(), 2);
    EXPECT_EQ(args.Item(0), L"C:\\a b\\c.png");
    EXPECT_EQ(args.Item(1), L"second");
    EXPECT_THROW(args.Item(2), Error);

    win32::CommandLineArgsWin32 none(L"\"C:\\Program Files\\Lumarind.exe\"");
    EXPECT_EQ(none.Count(), 0);

    args.SetCommandLine(L"\"C:\\Фото\\снимок 1.png\"", true);
    ASSERT_EQ(args.Count(), 1);
    EXPECT_EQ(args.Item(0), L"C:\\Фото\\снимок 1.png");
    args.SetCommandLine(L"", true);
    EXPECT_EQ(args.Count(), 0);
}

TEST(CommandLineArgs, TheProcessArgumentsAreThoseOfItsCommandLine) {
    win32::CommandLineArgsWin32 process;
    EXPECT_GE(process.Count(), 0);
}

TEST(FileDialog, FilterBecomesTheDoubleNulList) {
    EXPECT_EQ(win32::FileDialogWin32::SystemFilter(L"A|*.*|B|*.txt"), std::wstring(L"A\0*.*\0B\0*.txt\0\0", 15));
}

TEST(ErrorBox, TextIsTheMessageABlankLineAndTheError) {
    EXPECT_EQ(win32::ErrorBoxWin32::Compose(Error(2, L"File not found."), L"C:\\x\r\n\r\nCannot"),
              L"C:\\x\r\n\r\nCannot\r\n\r\n2: File not found.");
}

}  // namespace
}  // namespace lumarind
