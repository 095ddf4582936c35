#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "common/UserTexts.h"
#include "tests/unit/FakeComponents.h"
#include "tests/unit/FakeSupportFunctions.h"

namespace lumarind {
namespace {

using namespace lumarind::testing;

constexpr wchar_t kPhoto[] = L"C:\\pics\\photo.png";
constexpr wchar_t kOther[] = L"C:\\pics\\other.txt";
constexpr wchar_t kPhotoDocument[] = L"data:image/png;base64,\r\nYWJj";

class MainFormDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        supportCalls() = SupportCalls{};
        components.registry.contentTypes[L".png"] = L"image/png";
        components.files.files[kPhoto] = "abc";
        components.files.files[kOther] = "xyz";
        components.settings[L"OFN Paths/Last open in file directory"] = L"D:\\in";
        components.settings[L"OFN Paths/Last open out file directory"] = L"D:\\out";
    }
    void ExpectRememberedFoldersUnchanged() {
        EXPECT_EQ(components.settings, (std::map<std::wstring, std::wstring>{
                                           {L"OFN Paths/Last open in file directory", L"D:\\in"},
                                           {L"OFN Paths/Last open out file directory", L"D:\\out"}}));
    }

    FakeComponents components;
    FakeView view;
    MainForm form{view, components};
};

struct DropCase {
    const char* name;
    std::vector<std::wstring> dropped;
    std::vector<std::wstring> expectedReads;
    std::wstring expectedCaption;
};

class MainFormDropsTest : public MainFormDropTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(MainFormDropsTest, OnlyTheFirstDroppedFileLoadsAndNoFolderIsRemembered) {
    form.Form_DropFiles(GetParam().dropped);
    EXPECT_EQ(components.files.reads, GetParam().expectedReads);
    EXPECT_EQ(view.caption, GetParam().expectedCaption);
    EXPECT_TRUE(components.errors.shown.empty());
    EXPECT_TRUE(components.dialogs.empty());
    ExpectRememberedFoldersUnchanged();
}

INSTANTIATE_TEST_SUITE_P(
    Drops, MainFormDropsTest,
    ::testing::Values(DropCase{"Nothing", {}, {}, L"Lumarind"},
                      DropCase{"OneFile", {kPhoto}, {kPhoto}, L"Lumarind - [photo.png]"},
                      DropCase{"TwoFiles", {kOther, kPhoto}, {kOther}, L"Lumarind - [other.txt]"},
                      DropCase{"ThreeFiles", {kPhoto, kOther, kOther}, {kPhoto}, L"Lumarind - [photo.png]"}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

TEST_F(MainFormDropTest, ADroppedFileReplacesTheDocument) {
    form.Form_DropFiles({kPhoto});
    EXPECT_EQ(view.textBox.tag, kPhotoDocument);
    EXPECT_EQ(view.textBox.text, view.textBox.tag);
}

TEST_F(MainFormDropTest, AFailedReadOffersRetryLikeTheCommandLine) {
    components.files.readFailures = {Error(32, L"busy")};
    components.errors.answers = {kAnswerRetry};
    form.Form_DropFiles({kPhoto, kOther});
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleRetryCancelCritical);
    EXPECT_EQ(components.errors.shown[0].message, std::wstring(kPhoto) + L"\r\n\r\n" + texts::kCannotReadFile);
    EXPECT_EQ(components.files.reads, (std::vector<std::wstring>{kPhoto, kPhoto}));
    EXPECT_EQ(view.textBox.tag, kPhotoDocument);
    ExpectRememberedFoldersUnchanged();
}

TEST_F(MainFormDropTest, ADropThatCannotBeReadKeepsTheEarlierDocument) {
    form.Form_DropFiles({kPhoto});
    form.Form_DropFiles({L"C:\\pics"});
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].message, std::wstring(L"C:\\pics\r\n\r\n") + texts::kCannotReadFile);
    EXPECT_EQ(view.textBox.tag, kPhotoDocument);
    EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
    ExpectRememberedFoldersUnchanged();
}

}  // namespace
}  // namespace lumarind
