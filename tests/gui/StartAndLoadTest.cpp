#include <gtest/gtest.h>

#include "app/win32/ControlIds.h"
#include "common/UserTexts.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/gui/Driver.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind::gui {
namespace {

using testing::ScratchFolder;
using testing::WriteBytes;

class StartAndLoadTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }

    ScratchFolder folder;
};

RECT ClientRectOf(HWND control, HWND parent) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST_F(StartAndLoadTest, WithoutArgumentsTheWindowShowsItsControlsAndNothingIsLoaded) {
    RunningProgram program;
    EXPECT_EQ(WindowText(program.window()), L"Lumarind");
    RECT client;
    GetClientRect(program.window(), &client);
    EXPECT_EQ(client.right, 725);
    EXPECT_EQ(client.bottom, 317);

    const struct { int id; RECT rect; const wchar_t* text; } controls[] = {
        {ids::txtData, {8, 8, 8 + 537, 8 + 301}, L""},
        {ids::cmdOpenFile, {552, 8, 552 + 165, 8 + 33}, texts::kOpenButtonCaption},
        {ids::hsMain0, {552, 48, 552 + 165, 48 + 2}, L""},
        {ids::cmdCopyText0, {552, 56, 552 + 165, 56 + 33}, texts::kCopyButtonCaption},
        {ids::cmdCopyText1, {552, 96, 552 + 165, 96 + 33}, texts::kOneLineButtonCaption},
        {ids::hsMain1, {552, 136, 552 + 165, 136 + 2}, L""},
        {ids::cmdSaveFile, {552, 144, 552 + 165, 144 + 33}, texts::kSaveButtonCaption},
    };
    for (const auto& c : controls) {
        const HWND control = program.Control(c.id);
        ASSERT_NE(control, nullptr) << c.id;
        const RECT rect = ClientRectOf(control, program.window());
        EXPECT_EQ(rect.left, c.rect.left) << c.id;
        EXPECT_EQ(rect.top, c.rect.top) << c.id;
        EXPECT_EQ(rect.right, c.rect.right) << c.id;
        EXPECT_EQ(rect.bottom, c.rect.bottom) << c.id;
        EXPECT_EQ(WindowText(control), c.text) << c.id;
    }

    const LONG style = GetWindowLongW(program.window(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    const LONG editStyle = GetWindowLongW(program.Control(ids::txtData), GWL_STYLE);
    EXPECT_NE(editStyle & ES_READONLY, 0);
    EXPECT_NE(editStyle & ES_MULTILINE, 0);
    EXPECT_NE(editStyle & WS_VSCROLL, 0);
    EXPECT_EQ(editStyle & WS_HSCROLL, 0);

    // The timer has long fired by the time a click is answered: nothing to copy.
    Click(program.Control(ids::cmdCopyText0));
    const HWND box = program.WaitForDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box), texts::kNothingToCopy);
    EXPECT_EQ(WindowText(box), L"Tolvarn - Lumarind");
    Click(GetDlgItem(box, IDOK));
    EXPECT_EQ(WindowText(program.window()), L"Lumarind");
    EXPECT_EQ(WindowText(program.Control(ids::txtData)), L"");
}

TEST_F(StartAndLoadTest, TheWindowIsCentredAndTheTextBoxHasTheFocusThenTabWalksTheButtons) {
    RunningProgram program;
    RECT frame;
    GetWindowRect(program.window(), &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(program.window(), MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_LE(std::abs((frame.left + frame.right) - (monitor.rcWork.left + monitor.rcWork.right)), 2);
    EXPECT_LE(std::abs((frame.top + frame.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 2);

    program.Activate();
    ASSERT_TRUE(WaitUntil([&] { return program.Focused() == program.Control(ids::txtData); }));
    for (int id : {ids::cmdOpenFile, ids::cmdCopyText0, ids::cmdCopyText1, ids::cmdSaveFile, ids::txtData}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return program.Focused() == program.Control(id); })) << id;
    }
    PressKey(VK_TAB, {VK_SHIFT});
    EXPECT_TRUE(WaitUntil([&] { return program.Focused() == program.Control(ids::cmdSaveFile); }));
}

TEST_F(StartAndLoadTest, AFileOnTheCommandLineIsLoadedAndNamedInTheCaption) {
    const std::wstring first = folder / L"dot.png";
    WriteBytes(first, "\x89PN");
    WriteBytes(folder / L"second.txt", "second");
    RunningProgram program({first, folder / L"second.txt"});
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [dot.png]"));
    EXPECT_EQ(WindowText(program.Control(ids::txtData)), L"data:image/png;base64,\r\niVBO");
}

TEST_F(StartAndLoadTest, ALargeFileShowsThePreviewAndTheNotice) {
    std::string content(7600, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31 + 7);
    const std::wstring path = folder / L"large.bin";
    WriteBytes(path, content);
    RunningProgram program({path});
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [large.bin]"));
    const std::wstring dataUrl = L"data:;base64,\r\n" + testing::EncodeBase64Lines(content);
    ASSERT_GT(dataUrl.size(), 10000u);
    EXPECT_EQ(WindowText(program.Control(ids::txtData)),
              dataUrl.substr(0, 10000) + L"\r\n\r\n" + texts::kTruncationNotice);
}

TEST_F(StartAndLoadTest, AnUnreadablePathOffersRetryWhichLoadsTheFileOnceItExists) {
    const std::wstring path = folder / L"later.png";
    RunningProgram program({path});
    HWND box = program.WaitForDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box).find(path + L"\r\n\r\n" + texts::kCannotReadFile), 0u) << DialogText(box);
    EXPECT_NE(GetDlgItem(box, IDRETRY), nullptr);

    WriteBytes(path, "abc");
    Click(GetDlgItem(box, IDRETRY));
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [later.png]"));
    EXPECT_EQ(WindowText(program.Control(ids::txtData)), L"data:image/png;base64,\r\nYWJj");
}

TEST_F(StartAndLoadTest, CancelAfterAFailedReadLeavesAnEmptyWindow) {
    RunningProgram program({folder / L"missing.png"});
    const HWND box = program.WaitForDialog();
    ASSERT_NE(box, nullptr);
    Click(GetDlgItem(box, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return program.FindDialog() == nullptr; }));
    EXPECT_EQ(WindowText(program.window()), L"Lumarind");
    EXPECT_EQ(WindowText(program.Control(ids::txtData)), L"");
}

TEST_F(StartAndLoadTest, APathWithCyrillicLettersAndSpacesLoads) {
    ScratchFolder cyrillic(L" Мои файлы");
    const std::wstring path = cyrillic / L"снимок экрана.png";
    WriteBytes(path, "abc");
    RunningProgram program({path});
    EXPECT_TRUE(program.WaitForCaption(L"Lumarind - [снимок экрана.png]"));
}

TEST_F(StartAndLoadTest, OpenLoadsThePickedFileAndTheNextOpenStartsInItsFolderAlsoAfterARestart) {
    WriteBytes(folder / L"first.txt", "first");
    WriteBytes(folder / L"again.txt", "again");
    WriteBytes(folder / L"third.txt", "third");
    {
        RunningProgram program;
        Click(program.Control(ids::cmdOpenFile));
        program.AnswerFileDialog(folder / L"first.txt");
        ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [first.txt]"));
        EXPECT_EQ(Setting(L"Last open in file directory"), folder.path());

        // A bare name is taken from the folder the dialog starts in.
        Click(program.Control(ids::cmdOpenFile));
        program.AnswerFileDialog(L"again.txt");
        ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [again.txt]"));
    }
    RunningProgram restarted;
    Click(restarted.Control(ids::cmdOpenFile));
    restarted.AnswerFileDialog(L"third.txt");
    EXPECT_TRUE(restarted.WaitForCaption(L"Lumarind - [third.txt]"));
}

TEST_F(StartAndLoadTest, OpenThenCancelWritesNoSettingAndChangesNothing) {
    RunningProgram program;
    Click(program.Control(ids::cmdOpenFile));
    program.CancelDialog();
    ASSERT_TRUE(WaitUntil([&] { return program.FindDialog() == nullptr; }));
    EXPECT_EQ(Setting(L"Last open in file directory"), std::nullopt);
    EXPECT_EQ(WindowText(program.window()), L"Lumarind");
}

}  // namespace
}  // namespace lumarind::gui
