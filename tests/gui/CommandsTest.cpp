#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "app/win32/ControlIds.h"
#include "common/UserTexts.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/gui/Driver.h"
#include "tests/win32/RunProcess.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind::gui {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

std::wstring OneLine(const std::wstring& text) {
    std::wstring line;
    for (std::size_t from = 0, at; from < text.size(); from = at + 2) {
        at = std::min(text.find(L"\r\n", from), text.size());
        line.append(text, from, at - from);
    }
    return line;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        content.resize(20000);
        for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131) ^ (i >> 7));
        // No content type is registered for this extension.
        input = folder / L"large.lumarind-none";
        WriteBytes(input, content);
        expected = L"data:;base64,\r\n" + testing::EncodeBase64Lines(content);
    }
    void TearDown() override { ResetSettings(); }

    void Load(RunningProgram& program) {
        ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [large.lumarind-none]"));
    }
    // Finds the box by a button only it has, checks its text, presses answer.
    void AnswerBox(RunningProgram& program, const std::wstring& text, int button, int answer = 0) {
        const HWND box = program.WaitForDialogWithButton(button);
        ASSERT_NE(box, nullptr) << "no box with button " << button;
        EXPECT_NE(DialogText(box).find(text), std::wstring::npos) << Narrow(DialogText(box));
        Click(GetDlgItem(box, answer != 0 ? answer : button));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    }
    void Save(RunningProgram& program, const std::wstring& path, int typeIndex) {
        Click(program.Control(ids::cmdSaveFile));
        program.AnswerFileDialog(path, typeIndex);
    }

    ScratchFolder folder;
    ScratchFolder output;
    std::string content;
    std::wstring input;
    std::wstring expected;
};

TEST_F(CommandsTest, BeforeAnyLoadThereIsNothingToCopyOrSaveAndTheClipboardStays) {
    SetClipboard(L"someone else's text");
    RunningProgram program;
    Click(program.Control(ids::cmdCopyText0));
    AnswerBox(program, texts::kNothingToCopy, IDOK);
    Click(program.Control(ids::cmdCopyText1));
    AnswerBox(program, texts::kNothingToCopy, IDOK);
    Click(program.Control(ids::cmdSaveFile));
    AnswerBox(program, texts::kNothingToSave, IDOK);
    EXPECT_EQ(ClipboardText(), L"someone else's text");
}

TEST_F(CommandsTest, CopyPutsTheWholeTextOnTheClipboardInEitherForm) {
    RunningProgram program({input});
    Load(program);
    ASSERT_GT(expected.size(), 10000u);
    SetClipboard(L"");
    ClickAndWait(program.Control(ids::cmdCopyText0));
    EXPECT_TRUE(ClipboardText() == expected);
    ClickAndWait(program.Control(ids::cmdCopyText1));
    const std::optional<std::wstring> oneLine = ClipboardText();
    ASSERT_TRUE(oneLine.has_value());
    EXPECT_TRUE(*oneLine == OneLine(expected));
    EXPECT_EQ(oneLine->find_first_of(L"\r\n"), std::wstring::npos);
    ClickAndWait(program.Control(ids::cmdCopyText0));
    EXPECT_TRUE(ClipboardText() == expected);
    EXPECT_EQ(program.FindDialog(), nullptr);
}

// A long text is only promised to the clipboard when copied, and rendered
// when another program asks for it or when the window closes: either way it
// is the document as it was at the copy, although another file was loaded
// since; also when the session ends and the process is ended after it.
TEST_F(CommandsTest, ALongCopyIsTheDocumentAsCopiedWhenReadAndAfterTheProgramHasEnded) {
    std::string longContent(2'500'000, '\0');
    for (std::size_t i = 0; i < longContent.size(); ++i) longContent[i] = static_cast<char>((i * 7919) ^ (i >> 11));
    const std::wstring longInput = folder / L"long.lumarind-none";
    WriteBytes(longInput, longContent);
    const std::wstring longText = L"data:;base64,\r\n" + testing::EncodeBase64Lines(longContent);
    struct Row {
        int button;
        bool readWhileRunning;
        bool sessionEnds;
    };
    for (const Row row : {Row{ids::cmdCopyText0, true, false}, Row{ids::cmdCopyText1, false, false},
                          Row{ids::cmdCopyText1, false, true}}) {
        SCOPED_TRACE(::testing::Message() << "button " << row.button << (row.readWhileRunning ? ", read" : "")
                                          << (row.sessionEnds ? ", session ends" : ""));
        const std::wstring copied = row.button == ids::cmdCopyText0 ? longText : OneLine(longText);
        SetClipboard(L"");
        RunningProgram program({longInput});
        ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [long.lumarind-none]"));
        ClickAndWait(program.Control(row.button));
        Click(program.Control(ids::cmdOpenFile));
        program.AnswerFileDialog(input);
        Load(program);
        if (row.readWhileRunning) EXPECT_TRUE(ClipboardText() == copied);
        if (row.sessionEnds) {
            program.EndSession();
        } else {
            PostMessageW(program.window(), WM_CLOSE, 0, 0);
        }
        ASSERT_TRUE(program.HasExited());
        EXPECT_TRUE(ClipboardText() == copied);
    }
}

TEST_F(CommandsTest, SaveWritesEitherFormAndRemembersTheOutputFolderApartFromTheInputFolder) {
    RunningProgram program;
    Click(program.Control(ids::cmdOpenFile));
    program.AnswerFileDialog(input);
    Load(program);

    Save(program, output / L"multi.txt", 0);
    ASSERT_TRUE(WaitUntil([&] { return Exists(output / L"multi.txt"); }));
    EXPECT_EQ(ReadBytes(output / L"multi.txt"), Narrow(expected));

    Save(program, output / L"single", 1);
    ASSERT_TRUE(WaitUntil([&] { return Exists(output / L"single"); }));
    EXPECT_EQ(ReadBytes(output / L"single"), Narrow(OneLine(expected)));
    EXPECT_EQ(Setting(L"Last open out file directory"), output.path());
    EXPECT_EQ(Setting(L"Last open in file directory"), folder.path());

    // The command-line tool writes the very same bytes.
    const std::wstring cli = L"\"" + ProgramPath().substr(0, ProgramPath().size() - 12) + L"lumarind-cli.exe\" ";
    EXPECT_EQ(testing::RunProcess(cli + L"\"" + input + L"\""), ReadBytes(output / L"multi.txt"));
    EXPECT_EQ(testing::RunProcess(cli + L"-1 \"" + input + L"\""), ReadBytes(output / L"single"));

    // Bare names land in the folder each dialog starts in.
    Save(program, L"again.txt", 0);
    EXPECT_TRUE(WaitUntil([&] { return Exists(output / L"again.txt"); }));
    WriteBytes(folder / L"next.txt", "next");
    Click(program.Control(ids::cmdOpenFile));
    program.AnswerFileDialog(L"next.txt");
    EXPECT_TRUE(program.WaitForCaption(L"Lumarind - [next.txt]"));
}

TEST_F(CommandsTest, CancellingTheSaveDialogWritesNeitherFileNorSetting) {
    RunningProgram program({input});
    Load(program);
    Click(program.Control(ids::cmdSaveFile));
    program.CancelDialog();
    ASSERT_TRUE(WaitUntil([&] { return program.FindDialog() == nullptr; }));
    EXPECT_EQ(Setting(L"Last open out file directory"), std::nullopt);
    EXPECT_TRUE(output.Names().empty());
}

TEST_F(CommandsTest, SavingOverAReadOnlyFileOffersRetryAndCancelKeepsTheOldFile) {
    const std::wstring target = output / L"locked.txt";
    WriteBytes(target, "old content");
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    RunningProgram program({input});
    Load(program);

    Save(program, target, 0);
    AnswerBox(program, L"", IDYES);  // the dialog asks before replacing
    AnswerBox(program, target + L"\r\n\r\n" + texts::kCannotWriteFile, IDRETRY, IDCANCEL);
    EXPECT_EQ(ReadBytes(target), "old content");

    Save(program, target, 1);
    AnswerBox(program, L"", IDYES);
    const HWND box = program.WaitForDialogWithButton(IDRETRY);
    ASSERT_NE(box, nullptr);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    Click(GetDlgItem(box, IDRETRY));
    // Under Wine the name is briefly free while the file is replaced.
    EXPECT_TRUE(WaitUntil([&] {
        try {
            return ReadBytes(target) == Narrow(OneLine(expected));
        } catch (const std::runtime_error&) {
            return false;
        }
    }));
    EXPECT_EQ(output.Names(), std::vector<std::wstring>{L"locked.txt"});
}

TEST_F(CommandsTest, AnErrorBoxBelongsToTheMainWindowEvenWithAnotherProgramInFront) {
    RunningProgram program({input});
    Load(program);
    // Another program comes to the front and holds the clipboard, so that
    // a copy fails while the window is not the active one.
    const HWND front = CreateWindowExW(0, L"STATIC", L"front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                       nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(front, nullptr);
    SetForegroundWindow(front);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == front; }));
    ASSERT_TRUE(OpenClipboard(front));
    PostMessageW(program.window(), WM_COMMAND, MAKEWPARAM(ids::cmdCopyText0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(program.Control(ids::cmdCopyText0)));

    const HWND box = program.WaitForDialogWithButton(IDOK);
    CloseClipboard();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(DialogText(box).find(texts::kCopyFailed), std::wstring::npos);
    EXPECT_EQ(GetWindow(box, GW_OWNER), program.window());
    // While the box is up the window takes no input.
    EXPECT_FALSE(IsWindowEnabled(program.window()));
    Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(program.window()) != FALSE; }));
    DestroyWindow(front);
}

TEST_F(CommandsTest, EscClosesTheWindowFromTheTextBoxAndFromAButtonButShiftEscAndAHeldEscsRepeatsDoNot) {
    {
        RunningProgram program;
        program.Activate();
        ASSERT_TRUE(WaitUntil([&] { return program.Focused() == program.Control(ids::txtData); }));
        PressKey(VK_ESCAPE, {VK_SHIFT});
        // The repeats of an Esc whose press stopped long work.
        constexpr LPARAM kRepeated = 1 | (LPARAM{1} << 30);
        PostMessageW(program.Control(ids::txtData), WM_KEYDOWN, VK_ESCAPE, kRepeated);
        PostMessageW(program.Control(ids::cmdOpenFile), WM_KEYDOWN, VK_ESCAPE, kRepeated);
        PressKey(VK_F1, {VK_SHIFT});  // once the About box shows, the keys before it have been handled
        const HWND about = program.WaitForDialogWithButton(IDOK);
        EXPECT_TRUE(IsWindow(program.window()));
        ASSERT_NE(about, nullptr);
        Click(GetDlgItem(about, IDOK));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(program.HasExited());
    }
    RunningProgram program;
    program.Activate();
    PressKey(VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return program.Focused() == program.Control(ids::cmdOpenFile); }));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(program.HasExited());
    EXPECT_EQ(Setting(L"Last open in file directory"), std::nullopt);
}

TEST_F(CommandsTest, ShiftF1ShowsTheAboutBoxAndOtherModifiersDoNothing) {
    RunningProgram program;
    program.Activate();
    PressKey(VK_F1, {VK_CONTROL});
    PressKey(VK_F1, {VK_MENU});
    PressKey(VK_F1, {VK_CONTROL, VK_SHIFT});
    PressKey(VK_F1, {VK_SHIFT});
    const HWND about = program.WaitForDialogWithButton(IDOK);
    ASSERT_NE(about, nullptr);
    EXPECT_NE(DialogText(about).find(L"1.00.0001"), std::wstring::npos) << "no version in the About box";
    EXPECT_EQ(WindowText(about), L"Tolvarn - Lumarind");
    EXPECT_EQ(GetWindow(about, GW_OWNER), program.window());
    EXPECT_EQ(FindVisibleWindow(L"Notepad"), nullptr);
    Click(GetDlgItem(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindow(program.window()));
}

TEST_F(CommandsTest, F1OpensTheReadMeWhicheverControlHasTheFocus) {
    RunningProgram program;
    for (const int id : {ids::txtData, ids::cmdSaveFile}) {
        program.Activate();
        for (int presses = 0; presses < 6 && program.Focused() != program.Control(id); ++presses) {
            const HWND before = program.Focused();
            PressKey(VK_TAB);
            WaitUntil([&] { return program.Focused() != before; });
        }
        ASSERT_EQ(program.Focused(), program.Control(id));
        PressKey(VK_F1);
        HWND notepad = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (notepad = FindVisibleWindow(L"Notepad")) != nullptr; }));
        EXPECT_NE(WindowText(notepad).find(L"Lumarind"), std::wstring::npos);
        PostMessageW(notepad, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return FindVisibleWindow(L"Notepad") == nullptr; }));
    }
    EXPECT_TRUE(IsWindow(program.window()));
}

TEST_F(CommandsTest, ClosingTheWindowAsksNothingAndWritesNothing) {
    RunningProgram program({input});
    Load(program);
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.HasExited());
    EXPECT_EQ(Setting(L"Last open in file directory"), std::nullopt);
    EXPECT_EQ(Setting(L"Last open out file directory"), std::nullopt);
}

}  // namespace
}  // namespace lumarind::gui
