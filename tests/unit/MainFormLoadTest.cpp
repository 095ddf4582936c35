#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "builder/DataUrl.h"
#include "common/UserTexts.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/unit/FakeComponents.h"
#include "tests/unit/FakeSupportFunctions.h"

namespace lumarind {
namespace {

using namespace lumarind::testing;

class MainFormLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        supportCalls() = SupportCalls{};
        components.registry.contentTypes[L".png"] = L"image/png";
        components.files.files[L"C:\\pics\\photo.png"] = "abc";
        components.files.files[L"C:\\pics\\other.txt"] = "xyz";
    }
    void StartWith(std::vector<std::wstring> arguments) {
        components.services.commandLine.arguments = std::move(arguments);
        form.tmrCheckCommandLine_Tick();
    }
    static std::wstring ReadFailureMessage(const std::wstring& path) {
        return path + L"\r\n\r\n" + texts::kCannotReadFile;
    }

    FakeComponents components;
    FakeView view;
    MainForm form{view, components};
};

TEST_F(MainFormLoadTest, LoadCentresTheWindowAndGivesItTheIcon) {
    form.Form_Load();
    EXPECT_EQ(supportCalls().log, (std::vector<std::wstring>{L"tsCenterFormEx", L"tsSetWindowResIconAll A_MAIN"}));

    supportCalls() = SupportCalls{};
    supportCalls().inIde = true;
    form.Form_Load();
    EXPECT_EQ(supportCalls().log, std::vector<std::wstring>{L"tsCenterFormEx"});
}

TEST_F(MainFormLoadTest, UnloadNeverCancelsAndSaysWhenALongCopyCannotStay) {
    std::int16_t cancel = 0;
    form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    EXPECT_TRUE(components.errors.shown.empty());

    components.clipboard.failKeepPromise = true;
    form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleOkCritical);
    EXPECT_EQ(components.errors.shown[0].message, texts::kCopyLostOnClose);
}

TEST_F(MainFormLoadTest, TheTimerActsOnceAndLoadsOnlyTheFirstArgument) {
    StartWith({L"C:\\pics\\photo.png", L"C:\\pics\\other.txt"});
    EXPECT_FALSE(view.timerEnabled);
    EXPECT_EQ(components.files.reads, std::vector<std::wstring>{L"C:\\pics\\photo.png"});
    EXPECT_EQ(view.textBox.tag, L"data:image/png;base64,\r\nYWJj");
    EXPECT_EQ(view.textBox.text, view.textBox.tag);
    EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
    EXPECT_TRUE(components.errors.shown.empty());
}

TEST_F(MainFormLoadTest, WithoutArgumentsNothingIsLoaded) {
    StartWith({});
    EXPECT_FALSE(view.timerEnabled);
    EXPECT_TRUE(components.files.reads.empty());
    EXPECT_EQ(view.caption, L"Lumarind");
    EXPECT_EQ(view.textBox.tag, L"");
}

TEST_F(MainFormLoadTest, AFailedReadOffersRetryAndEachAttemptIsJudgedByItsOwnOutcome) {
    components.files.readFailures = {Error(32, L"busy"), Error(5, L"denied")};
    components.errors.answers = {kAnswerRetry, kAnswerRetry};
    StartWith({L"C:\\pics\\photo.png"});
    ASSERT_EQ(components.errors.shown.size(), 2u);
    EXPECT_EQ(components.errors.shown[0].number, 32);
    EXPECT_EQ(components.errors.shown[1].number, 5);
    for (const ShownError& shown : components.errors.shown) {
        EXPECT_EQ(shown.style, kStyleRetryCancelCritical);
        EXPECT_EQ(shown.message, ReadFailureMessage(L"C:\\pics\\photo.png"));
    }
    EXPECT_EQ(components.files.reads.size(), 3u);
    EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
}

TEST_F(MainFormLoadTest, AReadFailingPartWayKeepsTheEarlierDocumentAndOffersRetry) {
    StartWith({L"C:\\pics\\photo.png"});
    const std::string large(3 * 57 * 4096 + 5, 'q');
    components.files.files[L"C:\\pics\\large.png"] = large;
    // First Cancel (the error box's answer when none is scripted), then Retry.
    for (const std::deque<int>& answers : {std::deque<int>{}, std::deque<int>{kAnswerRetry}}) {
        components.files.readFailureAt = 57 * 4096 + 100;
        components.errors.answers = answers;
        components.services.commandLine.arguments = {L"C:\\pics\\large.png"};
        form.tmrCheckCommandLine_Tick();
        if (answers.empty()) {
            EXPECT_EQ(view.textBox.tag, L"data:image/png;base64,\r\nYWJj");
            EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
        }
    }
    ASSERT_EQ(components.errors.shown.size(), 2u);
    for (const ShownError& shown : components.errors.shown) {
        EXPECT_EQ(shown.number, 23);
        EXPECT_EQ(shown.style, kStyleRetryCancelCritical);
        EXPECT_EQ(shown.message, ReadFailureMessage(L"C:\\pics\\large.png"));
    }
    EXPECT_EQ(components.files.reads.size(), 4u);
    EXPECT_EQ(view.textBox.tag, L"data:image/png;base64,\r\n" + testing::EncodeBase64Lines(large));
    EXPECT_EQ(view.caption, L"Lumarind - [large.png]");
}

TEST_F(MainFormLoadTest, CancelAfterAFailedReadChangesNothing) {
    StartWith({L"C:\\pics\\photo.png"});
    components.files.readFailures = {Error(2, L"missing")};
    components.services.commandLine.arguments = {L"C:\\gone.png"};
    form.tmrCheckCommandLine_Tick();
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.files.reads.size(), 2u);
    EXPECT_EQ(view.textBox.tag, L"data:image/png;base64,\r\nYWJj");
    EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
}

TEST_F(MainFormLoadTest, AFailedBuildKeepsTheEarlierDocumentAndCaptionAndSaysSo) {
    StartWith({L"C:\\pics\\photo.png"});
    components.registry.fail = true;
    components.services.commandLine.arguments = {L"C:\\pics\\other.txt"};
    form.tmrCheckCommandLine_Tick();
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleOkCritical);
    EXPECT_EQ(components.errors.shown[0].message, L"C:\\pics\\other.txt\r\n\r\n" + std::wstring(texts::kCannotBuildDataUrl));
    EXPECT_EQ(view.textBox.tag, L"data:image/png;base64,\r\nYWJj");
    EXPECT_EQ(view.textBox.text, view.textBox.tag);
    EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
}

TEST_F(MainFormLoadTest, TheWaitCursorIsShownWhileReadingAndBuildingAndRemovedAfter) {
    StartWith({L"C:\\pics\\photo.png"});
    EXPECT_EQ(view.busyChanges, (std::vector<bool>{true, false, true, false}));
}

TEST(MainFormCaption, DropsTheFamilyPrefixOrUsesTheTitleWhole) {
    EXPECT_EQ(MainForm::CaptionFor(L"Tolvarn - Lumarind", L"photo.png"), L"Lumarind - [photo.png]");
    EXPECT_EQ(MainForm::CaptionFor(L"Lumarind Pro", L"a.b"), L"Lumarind Pro - [a.b]");
    EXPECT_EQ(MainForm::CaptionFor(L"Tolvarn - X Tolvarn - Y", L"f"), L"X Y - [f]");
}

TEST_F(MainFormLoadTest, OpenRemembersTheInputFolderAndStartsThereNextTime) {
    components.dialogScripts = {{true, L"C:\\pics\\photo.png", 0}, {false, L"", 0}};
    form.cmdOpenFile_Click();
    EXPECT_EQ(components.settings[L"OFN Paths/Last open in file directory"], L"C:\\pics");
    EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");

    form.cmdOpenFile_Click();
    ASSERT_EQ(components.dialogs.size(), 2u);
    EXPECT_FALSE(components.dialogs[0].save);
    EXPECT_EQ(components.dialogs[0].filter, texts::kOpenFilter);
    EXPECT_EQ(components.dialogs[0].filterIndex, 0);
    EXPECT_EQ(components.dialogs[0].initDir, L"");
    EXPECT_EQ(components.dialogs[0].owner, view.ActiveWindow());
    EXPECT_EQ(components.dialogs[1].initDir, L"C:\\pics");
}

TEST_F(MainFormLoadTest, OpenThenCancelWritesNoSettingAndLoadsNothing) {
    components.dialogScripts = {{false, L"", 0}};
    form.cmdOpenFile_Click();
    EXPECT_TRUE(components.settings.empty());
    EXPECT_TRUE(components.files.reads.empty());
}

}  // namespace
}  // namespace lumarind
