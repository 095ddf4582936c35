#include <gtest/gtest.h>

#include "app/ExplorerCopy.h"
#include "app/MainForm.h"
#include "builder/DataUrl.h"
#include "common/UserTexts.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/unit/FakeSupportFunctions.h"
#include "tests/unit/MainFormFixture.h"

namespace lumarind {
namespace {

using namespace lumarind::testing;
using Kind = ClipboardContent::Kind;

constexpr wchar_t kPhoto[] = L"C:\\pics\\photo.png";
constexpr wchar_t kOther[] = L"C:\\pics\\other.txt";
const std::wstring kPastedPng = std::wstring(texts::kPastedName) + L".png";

ClipboardContent Text(const std::wstring& text) {
    ClipboardContent content;
    content.kind = Kind::kText;
    content.text = text;
    return content;
}

class MainFormPasteTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        components.registry.contentTypes[L".png"] = L"image/png";
        components.registry.extensions[L"MIME\\Database\\Content Type\\image/png"] = L".png";
        components.registry.extensions[L"MIME\\Database\\Content Type\\text/plain"] = L".txt";
        components.files.files[kPhoto] = "abc";
        components.files.files[kOther] = "xyz";
    }
    void Paste(ClipboardContent content) {
        components.clipboard.content = std::move(content);
        form.Form_Paste();
    }
    void ExpectDocumentKept() {
        EXPECT_EQ(view.textBox.tag, L"data:image/png;base64,\r\nYWJj");
        EXPECT_EQ(view.caption, L"Lumarind - [photo.png]");
    }
};

TEST_F(MainFormPasteTest, CtrlVAndShiftInsertPasteAndNoOtherCombinationDoes) {
    form.Form_KeyDown(kKeyV, kCtrlMask);
    form.Form_KeyDown(kKeyInsert, kShiftMask);
    EXPECT_EQ(components.clipboard.gets, 2);
    for (const std::uint16_t shift : {std::uint16_t(0), kShiftMask, kAltMask, std::uint16_t(kCtrlMask | kShiftMask),
                                      std::uint16_t(kCtrlMask | kAltMask)}) {
        form.Form_KeyDown(kKeyV, shift);
    }
    for (const std::uint16_t shift : {std::uint16_t(0), kCtrlMask, kAltMask, std::uint16_t(kCtrlMask | kShiftMask)}) {
        form.Form_KeyDown(kKeyInsert, shift);
    }
    EXPECT_EQ(components.clipboard.gets, 2);
}

struct PasteCase {
    const char* name;
    ClipboardContent content;
    std::wstring expectedTag;
    std::wstring expectedCaption;
    std::vector<std::wstring> expectedReads;
};

class MainFormPastesTest : public MainFormPasteTest, public ::testing::WithParamInterface<PasteCase> {};

TEST_P(MainFormPastesTest, WhatThePasteFindsBecomesTheDocument) {
    Paste(GetParam().content);
    EXPECT_EQ(view.textBox.tag, GetParam().expectedTag);
    EXPECT_EQ(view.caption, GetParam().expectedCaption);
    EXPECT_EQ(components.files.reads, GetParam().expectedReads);
    // Made beside the window and held as a file's bytes are, never as the text.
    EXPECT_EQ(view.work, std::vector<WorkKind>{WorkKind::kLoad});
    EXPECT_NE(view.textBox.Document().Encoded(), nullptr);
    EXPECT_TRUE(components.errors.shown.empty());
    EXPECT_TRUE(view.information.empty());
    // A paste is no Open: no folder is remembered.
    EXPECT_TRUE(components.settings.empty());
}

ClipboardContent Files(std::vector<std::wstring> files) {
    ClipboardContent content;
    content.kind = Kind::kFiles;
    content.files = std::move(files);
    return content;
}

ClipboardContent Image(std::string png) {
    ClipboardContent content;
    content.kind = Kind::kImage;
    content.png = std::move(png);
    return content;
}

// A bitmap as the clipboard's component hands it over: its PNG is made in
// the work beside the window, half of it before Esc is looked for.
class FakeBitmap : public BitmapToEncode {
public:
    explicit FakeBitmap(std::optional<std::string> png) : png_(std::move(png)) {}
    std::shared_ptr<const ContentBytes> EncodeAsPng(WorkProgress& progress) override {
        progress.SetTotal(2);
        progress.Advance(1);
        progress.ThrowIfCancelled();
        if (!png_) throw Error(13, L"The data is invalid.");
        return std::make_shared<const ContentBytes>(*png_);
    }

private:
    std::optional<std::string> png_;
};

// A bitmap to encode; one that cannot be without a PNG.
ClipboardContent Bitmap(std::optional<std::string> png) {
    ClipboardContent content;
    content.kind = Kind::kImage;
    content.bitmap = std::make_shared<FakeBitmap>(std::move(png));
    return content;
}

INSTANTIATE_TEST_SUITE_P(
    Pastes, MainFormPastesTest,
    ::testing::Values(
        PasteCase{"TwoCopiedFiles", Files({kOther, kPhoto}), L"data:;base64,\r\neHl6", L"Lumarind - [other.txt]",
                  {kOther}},
        PasteCase{"Image", Image("\x89PNG\r\n"), L"data:image/png;base64,\r\niVBORw0K",
                  L"Lumarind - [" + kPastedPng + L"]", {}},
        PasteCase{"Bitmap", Bitmap("\x89PNG\r\n"), L"data:image/png;base64,\r\niVBORw0K",
                  L"Lumarind - [" + kPastedPng + L"]", {}},
        PasteCase{"PlainText", Text(L"\u041f\u0440\u0438 x"), L"data:text/plain;charset=utf-8;base64,\r\n0J/RgNC4IHg=",
                  L"Lumarind - [" + std::wstring(texts::kPastedName) + L".txt]", {}},
        PasteCase{"DataUrl", Text(L"  data:image/png;base64,iVBO\r\n"), L"data:image/png;base64,\r\niVBO",
                  L"Lumarind - [" + kPastedPng + L"]", {}},
        PasteCase{"CssSnippet", Text(L"url(\"data:text/plain,Hi%20there\")"), L"data:text/plain;base64,\r\nSGkgdGhlcmU=",
                  L"Lumarind - [" + std::wstring(texts::kPastedName) + L".txt]", {}},
        PasteCase{"HtmlSnippetWithByteOrderMark", Text(L"\uFEFF<img src=\"data:image/png;base64,iVBO\" alt=\"x\">"),
                  L"data:image/png;base64,\r\niVBO", L"Lumarind - [" + kPastedPng + L"]", {}},
        PasteCase{"DataUrlOfAnUnregisteredType", Text(L"DATA:application/x-nothing;BASE64,YWJj"),
                  L"data:application/x-nothing;base64,\r\nYWJj", L"Lumarind - [" + std::wstring(texts::kPastedName) + L"]",
                  {}},
        PasteCase{"DataUrlWithoutType", Text(L"data:,abc"), L"data:;base64,\r\nYWJj",
                  L"Lumarind - [" + std::wstring(texts::kPastedName) + L"]", {}}),
    [](const ::testing::TestParamInfo<PasteCase>& info) { return std::string(info.param.name); });

TEST_F(MainFormPasteTest, APastedDataUrlShowsItsTypeSizeAndTextAndSavesItsBytes) {
    Paste(Text(L"data:text/plain;charset=utf-8,line%201%0Aline%202"));
    EXPECT_NE(view.textBox.text.find(std::wstring(texts::kPastedTypeLabel) + L"text/plain;charset=utf-8"),
              std::wstring::npos);
    EXPECT_NE(view.textBox.text.find(std::wstring(texts::kPastedSizeLabel) + L"13"), std::wstring::npos);
    EXPECT_NE(view.textBox.text.find(L"line 1\r\nline 2"), std::wstring::npos);
    ASSERT_NE(view.textBox.Document().Encoded(), nullptr);
    EXPECT_EQ(view.textBox.Document().Encoded()->bytes->View(), "line 1\nline 2");

    SaveAs(L"C:\\out\\a.txt", 0);
    ASSERT_EQ(components.dialogs.size(), 1u);
    EXPECT_EQ(components.dialogs[0].filter, std::wstring(texts::kDecodedFileFilter) + L" (*.txt)|*.txt|" +
                                                texts::kSaveFilter);
    EXPECT_EQ(components.files.writtenBytes[L"C:\\out\\a.txt"], "line 1\nline 2");
    SaveAs(L"C:\\out\\b.txt", 1);
    SaveAs(L"C:\\out\\c.txt", 2);
    EXPECT_EQ(components.files.written[L"C:\\out\\b.txt"], L"data:text/plain;charset=utf-8;base64,\r\nbGluZSAxCmxpbmUgMg==");
    EXPECT_EQ(components.files.written[L"C:\\out\\c.txt"], L"data:text/plain;charset=utf-8;base64,bGluZSAxCmxpbmUgMg==");
    EXPECT_EQ(components.files.writtenBytes.size(), 1u);
    EXPECT_EQ(view.work, (std::vector<WorkKind>{WorkKind::kLoad, WorkKind::kSave, WorkKind::kSave, WorkKind::kSave}));
}

TEST_F(MainFormPasteTest, AnImageDataUrlShowsNoTextAndOffersItsRegisteredExtension) {
    Paste(Text(L"data:image/png;base64,iVBORw0K"));
    EXPECT_NE(view.textBox.text.find(std::wstring(texts::kPastedSizeLabel) + L"6"), std::wstring::npos);
    EXPECT_EQ(view.textBox.text.find(texts::kPastedTextStart), std::wstring::npos);
    components.dialogScripts.push_back(DialogScript{});
    form.cmdSaveFile_Click();
    ASSERT_EQ(components.dialogs.size(), 1u);
    EXPECT_EQ(components.dialogs[0].filter.substr(0, components.dialogs[0].filter.find(L'|', 0)),
              std::wstring(texts::kDecodedFileFilter) + L" (*.png)");
    EXPECT_TRUE(components.files.writes.empty());
}

TEST_F(MainFormPasteTest, AFailedSaveOfTheDecodedBytesOffersRetry) {
    Paste(Text(L"data:,abc"));
    components.files.writeFailures = {Error(5, L"denied")};
    components.errors.answers = {kAnswerRetry};
    SaveAs(L"C:\\out\\x", 0);
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].message, std::wstring(L"C:\\out\\x\r\n\r\n") + texts::kCannotWriteFile);
    EXPECT_EQ(components.files.writtenBytes[L"C:\\out\\x"], "abc");
}

TEST_F(MainFormPasteTest, AFileLoadedAfterAPastedDataUrlSavesAsADataUrlAgain) {
    Paste(Text(L"data:,abc"));
    form.Form_DropFiles({kPhoto});
    SaveAs(L"C:\\out\\x", 0);
    EXPECT_EQ(components.dialogs.back().filter, texts::kSaveFilter);
    EXPECT_EQ(components.files.written[L"C:\\out\\x"], L"data:image/png;base64,\r\nYWJj");
    EXPECT_TRUE(components.files.writtenBytes.empty());
}

TEST_F(MainFormPasteTest, NothingUsableSaysSoAndKeepsTheDocument) {
    form.Form_DropFiles({kPhoto});
    Paste(ClipboardContent{});
    EXPECT_EQ(view.information, std::vector<std::wstring>{texts::kNothingToPaste});
    ExpectDocumentKept();
}

TEST_F(MainFormPasteTest, AHeldClipboardOffersRetryAndCancelKeepsTheDocument) {
    form.Form_DropFiles({kPhoto});
    components.clipboard.getFailures = {Error(5, L"Access is denied."), Error(5, L"Access is denied.")};
    components.errors.answers = {kAnswerRetry};
    Paste(Text(L"new"));
    ASSERT_EQ(components.errors.shown.size(), 2u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleRetryCancelCritical);
    EXPECT_EQ(components.errors.shown[0].message, texts::kCannotPaste);
    EXPECT_EQ(components.clipboard.gets, 2);
    ExpectDocumentKept();

    components.clipboard.getFailures = {Error(5, L"Access is denied.")};
    components.errors.answers = {kAnswerRetry};
    Paste(Text(L"new"));
    EXPECT_EQ(view.textBox.tag, L"data:text/plain;charset=utf-8;base64,\r\nbmV3");
}

TEST_F(MainFormPasteTest, ACancelledPasteKeepsTheDocumentAndOneDuringASaveIsIgnored) {
    form.Form_DropFiles({kPhoto});
    view.cancelNextWork = true;
    Paste(Text(L"data:,abc"));
    ExpectDocumentKept();
    view.running = WorkKind::kSave;
    Paste(Text(L"new"));
    EXPECT_EQ(components.clipboard.gets, 1);
    ExpectDocumentKept();
    EXPECT_TRUE(components.errors.shown.empty());
}

TEST_F(MainFormPasteTest, RunningOutOfMemoryInAPasteOrACopySaysSoInRussian) {
    form.Form_DropFiles({kPhoto});
    components.clipboard.getFailures = {OutOfMemoryError()};
    Paste(Text(L"new"));
    components.clipboard.outOfMemoryOnSet = true;
    form.cmdCopyText_Click(1);
    ASSERT_EQ(components.errors.shown.size(), 2u);
    EXPECT_EQ(components.errors.shown[0].message, texts::kCannotPaste);
    EXPECT_EQ(components.errors.shown[1].message, texts::kCopyFailed);
    EXPECT_EQ(components.errors.shownText, (std::vector<std::wstring>{texts::kNotEnoughMemory, texts::kNotEnoughMemory}));
    ExpectDocumentKept();
}

TEST_F(MainFormPasteTest, DataDroppedOnTheWindowIsTakenAsItsPasteAndNotDuringASave) {
    form.Form_DropData(Text(L"data:,abc"));
    EXPECT_EQ(view.caption, L"Lumarind - [" + std::wstring(texts::kPastedName) + L"]");
    ASSERT_NE(view.textBox.Document().Encoded(), nullptr);
    EXPECT_EQ(view.textBox.Document().Encoded()->bytes->View(), "abc");
    view.running = WorkKind::kSave;
    form.Form_DropData(Image("\x89PNG\r\n"));
    EXPECT_EQ(view.caption, L"Lumarind - [" + std::wstring(texts::kPastedName) + L"]");
    EXPECT_EQ(components.clipboard.gets, 0);
}

TEST_F(MainFormPasteTest, AMalformedDataUrlIsReportedAndKeepsTheDocument) {
    form.Form_DropFiles({kPhoto});
    Paste(Text(L"data:;base64,abcde"));
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleOkCritical);
    EXPECT_EQ(components.errors.shown[0].message, texts::kCannotDecodeDataUrl);
    ExpectDocumentKept();
}

TEST_F(MainFormPasteTest, ABitmapThatCannotBeEncodedAStoppedOneAndAnUnreadableDropKeepTheDocument) {
    form.Form_DropFiles({kPhoto});
    Paste(Bitmap(std::nullopt));
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].style, kStyleOkCritical);
    EXPECT_EQ(components.errors.shown[0].message, texts::kCannotBuildDataUrl);
    view.cancelNextWork = true;
    form.Form_DropData(Bitmap("\x89PNG\r\n"));
    EXPECT_EQ(components.errors.shown.size(), 1u);
    form.Form_DropUnreadable(OutOfMemoryError());
    ASSERT_EQ(components.errors.shown.size(), 2u);
    EXPECT_EQ(components.errors.shown[1].message, texts::kCannotBuildDataUrl);
    EXPECT_EQ(components.errors.shownText[1], texts::kNotEnoughMemory);
    ExpectDocumentKept();
}

TEST_F(MainFormPasteTest, ExplorersCopyPutsOneLineAFileAndFailsWholeOnAnUnreadableOne) {
    EXPECT_TRUE(CopyFilesAsDataUrls({kPhoto}, components));
    EXPECT_EQ(components.clipboard.text, L"data:image/png;base64,YWJj");
    EXPECT_TRUE(CopyFilesAsDataUrls({kOther, kPhoto, kOther}, components));
    EXPECT_EQ(components.clipboard.text, L"data:;base64,eHl6\r\ndata:image/png;base64,YWJj\r\ndata:;base64,eHl6\r\n");

    EXPECT_FALSE(CopyFilesAsDataUrls({kPhoto, L"C:\\pics\\gone.png"}, components));
    ASSERT_EQ(components.errors.shown.size(), 1u);
    EXPECT_EQ(components.errors.shown[0].message, std::wstring(L"C:\\pics\\gone.png\r\n\r\n") + texts::kCannotReadFile);
    EXPECT_EQ(components.clipboard.text, L"data:;base64,eHl6\r\ndata:image/png;base64,YWJj\r\ndata:;base64,eHl6\r\n");
    EXPECT_TRUE(view.information.empty());
}

}  // namespace
}  // namespace lumarind
