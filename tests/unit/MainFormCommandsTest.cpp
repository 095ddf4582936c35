#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "builder/DataUrl.h"
#include "common/UserTexts.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/unit/MainFormFixture.h"

namespace lumarind {
namespace {

using namespace lumarind::testing;

class MainFormCommandsTest : public MainFormFixture {
protected:
    void Load(const std::string& content) {
        components.files.files[L"C:\\in\\big.bin"] = content;
        components.services.commandLine.arguments = {L"C:\\in\\big.bin"};
        form.tmrCheckCommandLine_Tick();
        ASSERT_FALSE(view.textBox.tag.empty());
    }
};

TEST_F(MainFormCommandsTest, NothingLoadedMeansNothingToCopyOrSave) {
    form.cmdCopyText_Click(0);
    form.cmdCopyText_Click(1);
    form.cmdSaveFile_Click();
    EXPECT_EQ(view.information, (std::vector<std::wstring>{texts::kNothingToCopy, texts::kNothingToCopy,
                                                           texts::kNothingToSave}));
    EXPECT_EQ(components.clipboard.text, L"before");
    EXPECT_TRUE(components.dialogs.empty());
}

TEST_F(MainFormCommandsTest, CopyPutsTheWholeTextOrItsOneLineFormOnTheClipboard) {
    const std::string content(9000, '\x5a');
    Load(content);
    const std::wstring expected = L"data:;base64,\r\n" + EncodeBase64Lines(content);
    form.cmdCopyText_Click(0);
    EXPECT_EQ(components.clipboard.text, expected);
    form.cmdCopyText_Click(1);
    ASSERT_TRUE(components.clipboard.text.has_value());
    EXPECT_EQ(*components.clipboard.text, OneLineForm(expected));
    EXPECT_EQ(components.clipboard.text->find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_TRUE(view.information.empty());
}

TEST_F(MainFormCommandsTest, AFailedCopyShowsTheTrappedErrorBox) {
    Load("abc");
    components.clipboard.failSet = true;
    form.cmdCopyText_Click(0);
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleOkCritical);
    EXPECT_EQ(components.errors.shown[0].message, texts::kCopyFailed);
    EXPECT_FALSE(components.clipboard.text.has_value());
}

TEST_F(MainFormCommandsTest, SaveWritesTheChosenFormAndRemembersTheOutputFolderApart) {
    Load(std::string(9000, '\x01'));
    components.settings[L"OFN Paths/Last open in file directory"] = L"C:\\in";
    SaveAs(L"C:\\out\\multi", 0);
    SaveAs(L"C:\\out2\\single", 1);
    EXPECT_EQ(components.files.written[L"C:\\out\\multi"], view.textBox.tag);
    EXPECT_EQ(components.files.written[L"C:\\out2\\single"], OneLineForm(view.textBox.tag));
    EXPECT_EQ(components.settings[L"OFN Paths/Last open out file directory"], L"C:\\out2");
    EXPECT_EQ(components.settings[L"OFN Paths/Last open in file directory"], L"C:\\in");
    ASSERT_EQ(components.dialogs.size(), 2u);
    EXPECT_TRUE(components.dialogs[0].save);
    EXPECT_EQ(components.dialogs[0].filter, texts::kSaveFilter);
    EXPECT_EQ(components.dialogs[0].filterIndex, 0);
    EXPECT_EQ(components.dialogs[1].initDir, L"C:\\out");
}

TEST_F(MainFormCommandsTest, CancellingTheSaveDialogWritesNeitherFileNorSetting) {
    Load("abc");
    components.dialogScripts.push_back({false, L"", 0});
    form.cmdSaveFile_Click();
    EXPECT_TRUE(components.files.writes.empty());
    EXPECT_EQ(components.settings.count(L"OFN Paths/Last open out file directory"), 0u);
}

TEST_F(MainFormCommandsTest, ARememberedFolderThatCannotBeReadOrWrittenNeverStopsACommand) {
    Load("abc");
    const std::wstring loaded = view.textBox.tag;
    components.settings[L"OFN Paths/Last open out file directory"] = L"C:\\out";

    components.settingsFailures = {true, false};
    SaveAs(L"C:\\saved\\a.txt", 0);
    ASSERT_EQ(components.dialogs.size(), 1u);
    EXPECT_EQ(components.dialogs[0].initDir, L"");  // the dialog's own default folder
    EXPECT_EQ(components.files.written[L"C:\\saved\\a.txt"], loaded);
    EXPECT_EQ(components.settings[L"OFN Paths/Last open out file directory"], L"C:\\saved");

    components.settingsFailures = {false, true};
    SaveAs(L"C:\\other\\b.txt", 1);
    EXPECT_EQ(components.files.written[L"C:\\other\\b.txt"], OneLineForm(loaded));
    EXPECT_EQ(components.settings[L"OFN Paths/Last open out file directory"], L"C:\\saved");

    components.settingsFailures = {true, true};
    components.files.files[L"C:\\in\\next.png"] = "xyz";
    components.dialogScripts.push_back({true, L"C:\\in\\next.png", 0});
    form.cmdOpenFile_Click();
    EXPECT_EQ(view.caption, L"Lumarind - [next.png]");
    EXPECT_TRUE(components.errors.shown.empty());
}

TEST_F(MainFormCommandsTest, AFailedWriteOffersRetryWhichTakesTheTextAgain) {
    Load("abc");
    components.files.writeFailures = {Error(5, L"denied"), Error(112, L"disk full")};
    components.errors.answers = {kAnswerRetry, kAnswerRetry};
    SaveAs(L"C:\\out\\x.txt", 1);
    ASSERT_EQ(components.errors.shown.size(), 2u);
    EXPECT_EQ(components.errors.shown[1].number, 112);
    EXPECT_EQ(components.errors.shown[0].style, kStyleRetryCancelCritical);
    EXPECT_EQ(components.errors.shown[0].message, L"C:\\out\\x.txt\r\n\r\n" + std::wstring(texts::kCannotWriteFile));
    EXPECT_EQ(components.files.writes.size(), 3u);
    EXPECT_EQ(components.files.written[L"C:\\out\\x.txt"], L"data:;base64,YWJj");

    components.files.writeFailures = {Error(5, L"denied")};
    SaveAs(L"C:\\out\\y.txt", 0);
    EXPECT_EQ(components.files.written.count(L"C:\\out\\y.txt"), 0u);
}

TEST_F(MainFormCommandsTest, ShortcutKeysNeedTheExactShiftState) {
    form.Form_KeyDown(kKeyF1, kShiftMask);
    ASSERT_EQ(components.services.aboutShown.size(), 1u);
    const auto& about = components.services.aboutShown[0];
    EXPECT_EQ(about.owner, view.Handle());
    EXPECT_EQ(about.title, L"Tolvarn - Lumarind");
    EXPECT_EQ(about.extra, L"");
    EXPECT_EQ(about.picture, nullptr);
    EXPECT_FALSE(about.dedication.empty());

    form.Form_KeyDown(kKeyF1, 0);
    EXPECT_EQ(supportCalls().log, std::vector<std::wstring>{L"tsOpenReadMeFile"});
    form.Form_KeyDown(kKeyEscape, 0);
    EXPECT_EQ(view.unloads, 1);

    for (std::uint16_t shift : {kCtrlMask, kAltMask, std::uint16_t(kCtrlMask | kShiftMask)}) {
        form.Form_KeyDown(kKeyF1, shift);
    }
    form.Form_KeyDown(kKeyEscape, kShiftMask);
    form.Form_KeyDown(13, 0);
    EXPECT_EQ(components.services.aboutShown.size(), 1u);
    EXPECT_EQ(supportCalls().log.size(), 1u);
    EXPECT_EQ(view.unloads, 1);
}

TEST_F(MainFormCommandsTest, LoadAndSaveRunBesideTheWindowAndACancelledOneChangesNothing) {
    Load("abc");
    components.files.files[L"C:\\in\\next.png"] = "xyz";
    view.cancelNextWork = true;
    components.dialogScripts.push_back({true, L"C:\\in\\next.png", 0});
    form.cmdOpenFile_Click();
    EXPECT_EQ(view.textBox.tag, L"data:;base64,\r\nYWJj");
    EXPECT_EQ(view.caption, L"Lumarind - [big.bin]");

    view.cancelNextWork = true;
    SaveAs(L"C:\\out\\x.txt", 0);
    EXPECT_TRUE(components.files.written.empty());
    EXPECT_TRUE(components.errors.shown.empty());
    EXPECT_EQ(view.work, (std::vector<WorkKind>{WorkKind::kLoad, WorkKind::kLoad, WorkKind::kSave}));
    EXPECT_EQ(view.busyChanges, (std::vector<bool>{true, false, true, false, true, false, true, false}));
}

TEST_F(MainFormCommandsTest, EscStopsRunningWorkBeforeItClosesTheWindow) {
    view.running = WorkKind::kSave;
    form.Form_KeyDown(kKeyEscape, 0);
    EXPECT_EQ(view.cancels, 1);
    EXPECT_EQ(view.unloads, 0);
    // Nothing else starts while a file is written: neither a drop nor Open.
    form.Form_DropFiles({L"C:\\in\\big.bin"});
    components.dialogScripts.push_back({true, L"C:\\in\\big.bin", 0});
    form.cmdOpenFile_Click();
    EXPECT_TRUE(components.files.reads.empty());
    EXPECT_TRUE(components.dialogs.empty());

    view.running.reset();
    form.Form_KeyDown(kKeyEscape, 0);
    EXPECT_EQ(view.cancels, 1);
    EXPECT_EQ(view.unloads, 1);
}

TEST_F(MainFormCommandsTest, AFileTooLargeForMemorySaysSoInRussian) {
    components.files.readFailures = {OutOfMemoryError()};
    components.services.commandLine.arguments = {L"C:\\in\\huge.bin"};
    form.tmrCheckCommandLine_Tick();
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].number, errors::kOutOfMemory);
    EXPECT_EQ(components.errors.shownText[0], texts::kFileTooLarge);
    EXPECT_EQ(ErrorText(Error(errors::kOutOfMemory, texts::kFileTooLarge)), texts::kFileTooLarge);
}

}  // namespace
}  // namespace lumarind
