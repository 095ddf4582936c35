#include <gtest/gtest.h>

#include <random>
#include <string>

#include "builder/ContentReader.h"
#include "builder/DataUrl.h"
#include "common/UserTexts.h"
#include "support/TextSlices.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/unit/FakeComponents.h"
#include "tests/unit/FakeRegistryReader.h"
#include "tests/unit/FakeTextBox.h"

namespace lumarind {
namespace {

using testing::FakeRegistry;
using testing::FakeTextBox;

class BuildDataUrlTest : public ::testing::Test {
protected:
    void Build(const std::string& content, const std::wstring& extension) {
        BuildDataUrl(content, extension, txtData, [this] { return registry.NewReader(); });
    }

    void SetUp() override {
        registry.contentTypes = {{L".png", L"image/png"}, {L".txt", L"text/plain"}};
    }

    FakeRegistry registry;
    FakeTextBox txtData;
};

TEST_F(BuildDataUrlTest, EmptyContentGivesTheHeaderAndALineBreak) {
    Build("", L"txt");
    EXPECT_EQ(txtData.tag, L"data:text/plain;base64,\r\n");
    EXPECT_EQ(txtData.text, txtData.tag);
    EXPECT_EQ(OneLineForm(txtData.tag), L"data:text/plain;base64,");
}

TEST_F(BuildDataUrlTest, ContentTypeComesFromTheDotKeyAndIsEmptyWhenUnregistered) {
    Build("abc", L"png");
    EXPECT_EQ(txtData.tag, L"data:image/png;base64,\r\nYWJj");
    Build("abc", L"unknown");
    EXPECT_EQ(txtData.tag, L"data:;base64,\r\nYWJj");
    Build("abc", L"");
    EXPECT_EQ(txtData.tag, L"data:;base64,\r\nYWJj");
    // The extension's case is kept: the registry, not the builder, decides.
    Build("abc", L"PNG");
    EXPECT_EQ(registry.keysRead, (std::vector<std::wstring>{L".png", L".unknown", L".", L".PNG"}));
}

TEST_F(BuildDataUrlTest, StoresEveryBase64LineWithCRLFBetweenAndNoneAfter) {
    std::string content(5000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    Build(content, L"png");
    const std::wstring header = L"data:image/png;base64,\r\n";
    ASSERT_EQ(txtData.tag.substr(0, header.size()), header);
    EXPECT_EQ(txtData.tag.substr(header.size()), testing::EncodeBase64Lines(content));
}

TEST_F(BuildDataUrlTest, PreviewIsCutOnlyWhenTheTextIsLongerThan10000Characters) {
    // 7296 bytes give 128 full lines: 9728 characters and 127 breaks. With the
    // 15 characters of the header around a content type of 3 characters the
    // data URL is exactly 10000 characters long.
    const std::string content(7296, 'a');
    registry.contentTypes[L".x3"] = L"a/b";
    registry.contentTypes[L".x4"] = L"ab/c";

    Build(content, L"x3");
    ASSERT_EQ(txtData.tag.size(), kPreviewLimit);
    EXPECT_EQ(txtData.text, txtData.tag);

    Build(content, L"x4");
    ASSERT_EQ(txtData.tag.size(), kPreviewLimit + 1);
    EXPECT_EQ(txtData.text, txtData.tag.substr(0, kPreviewLimit) + L"\r\n\r\n" + texts::kTruncationNotice);
    EXPECT_EQ(txtData.tag.find(L"***"), std::wstring::npos);
}

TEST_F(BuildDataUrlTest, AFileReadInPiecesGivesTheTextOfWhatWasReadAsIfWhole) {
    registry.contentTypes[L".wide"] = L"text/caf\u00E9";
    constexpr std::size_t kPiece = 57 * 4096;
    std::string bytes(2 * kPiece + 200, '\0');
    std::mt19937 random(19);
    for (char& b : bytes) b = static_cast<char>(random());
    for (const wchar_t* extension : {L"png", L"wide"}) {
        // Empty, around line ends and around the pieces the file is read in.
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{57}, std::size_t{58},
                                       std::size_t{114}, kPiece - 1, kPiece, kPiece + 1, 2 * kPiece + 57}) {
            // Read whole, or a few odd bytes at a time as a disk may give them.
            for (const std::size_t mostPerRead : {SIZE_MAX, std::size_t{1000}}) {
                const std::string content = bytes.substr(0, size);
                testing::FakeFileContent file(content, size, mostPerRead);
                const DocumentText text = ComposeDataUrl(file, extension, [this] { return registry.NewReader(); });
                ASSERT_EQ(text.View().Widened(),
                          ComposeDataUrl(content, extension, [this] { return registry.NewReader(); }))
                    << size;
                EXPECT_EQ(text.View().IsNarrow(), extension == std::wstring(L"png"));
            }
        }
    }
    // Shortened by another program after it was opened: the text of what
    // was read. Grown: the text of the size it had when opened.
    const std::pair<std::size_t, std::size_t> givenAndSize[] = {
        {0, kPiece + 50}, {100, kPiece + 50}, {kPiece + 3, kPiece + 50}, {bytes.size(), 100}};
    for (const auto& [given, size] : givenAndSize) {
        testing::FakeFileContent file(bytes.substr(0, given), size);
        EXPECT_EQ(ComposeDataUrl(file, L"png", [this] { return registry.NewReader(); }).View().Widened(),
                  ComposeDataUrl(bytes.substr(0, std::min(given, size)), L"png",
                                 [this] { return registry.NewReader(); }))
            << given << " of " << size;
    }
}

TEST_F(BuildDataUrlTest, ADocumentHeldAsBytesHandsOnTheTextOfEitherFormSliceBySlice) {
    registry.contentTypes[L".wide"] = L"text/caf\u00E9";
    constexpr std::size_t kSlice = slices::kBytesPerSlice;
    std::string bytes(2 * kSlice + 57, '\0');
    std::mt19937 random(23);
    for (char& b : bytes) b = static_cast<char>(random());
    for (const wchar_t* extension : {L"png", L"wide"}) {
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{57}, std::size_t{58}, kSlice - 1,
                                       kSlice, kSlice + 1, 2 * kSlice + 57}) {
            const std::string content = bytes.substr(0, size);
            const std::wstring expected = ComposeDataUrl(content, extension, [this] { return registry.NewReader(); });
            const DocumentText document = ComposeDocument(std::make_shared<const ContentBytes>(content), extension,
                                                          [this] { return registry.NewReader(); });
            const TextView view = document.View();
            EXPECT_EQ(view.IsNarrow(), extension == std::wstring(L"png"));
            EXPECT_TRUE(view.KeepsText());
            for (const TextForm form : {TextForm::kAsIs, TextForm::kOneLine}) {
                std::wstring joined;
                ForEachSlice(view, form, [&](auto slice) { joined.append(slice.begin(), slice.end()); });
                const std::wstring wanted = form == TextForm::kOneLine ? OneLineForm(expected) : expected;
                ASSERT_EQ(joined, wanted) << size;
                EXPECT_EQ(LengthOf(view, form), wanted.size()) << size;
            }
            EXPECT_EQ(view.size(), expected.size());
            EXPECT_EQ(PreviewOf(view), PreviewOf(std::wstring_view(expected))) << size;
        }
    }
}

TEST(ReadWholeContent, ReadsTheSizeItWasOpenedWithOrToTheEndWhenItReportsNone) {
    const std::string bytes(300000, 'r');
    // Given, reported size, read.
    const struct { std::size_t given; std::uint64_t size; std::size_t read; } rows[] = {
        {300000, 300000, 300000},
        {300000, 0, 300000},  // a /proc file, a device or a pipe
        {0, 0, 0},
        {1000, 300000, 1000},   // shortened since it was opened
        {300000, 1000, 1000},   // grown since
    };
    for (const auto& row : rows) {
        testing::FakeFileContent file(bytes.substr(0, row.given), row.size, 777);
        WorkProgress progress;
        EXPECT_EQ(ReadWholeContent(file, progress)->View(), bytes.substr(0, row.read)) << row.given << " " << row.size;
    }
}

TEST(ReadWholeContent, StopsWhenCancelledAndSaysSo) {
    testing::FakeFileContent file(std::string(100, 'x'), 100);
    WorkProgress progress;
    progress.Cancel();
    try {
        ReadWholeContent(file, progress);
        ADD_FAILURE() << "a cancelled read went on";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), errors::kCancelled);
    }
}

TEST(PreviewOf, ANarrowTextIsPreviewedAsItsWideForm) {
    for (const std::size_t size : {std::size_t{0}, kPreviewLimit - 1, kPreviewLimit, kPreviewLimit + 1,
                                   3 * kPreviewLimit}) {
        const std::string ascii(size, 'Q');
        const std::wstring wide(size, L'Q');
        EXPECT_EQ(PreviewOf(TextView(std::string_view(ascii))), PreviewOf(std::wstring_view(wide))) << size;
    }
}

TEST_F(BuildDataUrlTest, ASecondBuildReplacesPreviewAndTagEntirely) {
    Build(std::string(9000, 'a'), L"png");
    Build("z", L"txt");
    EXPECT_EQ(txtData.tag, L"data:text/plain;base64,\r\neg==");
    EXPECT_EQ(txtData.text, txtData.tag);
}

TEST_F(BuildDataUrlTest, AFailedBuildLeavesTheTextBoxAsItWas) {
    Build("abc", L"png");
    registry.fail = true;
    EXPECT_THROW(Build("other", L"txt"), Error);
    EXPECT_EQ(txtData.tag, L"data:image/png;base64,\r\nYWJj");
    EXPECT_EQ(txtData.text, txtData.tag);
}

TEST(OneLineForm, RemovesEveryCRLFPairAndNothingElse) {
    EXPECT_EQ(OneLineForm(L""), L"");
    EXPECT_EQ(OneLineForm(L"data:;base64,\r\nAAAA\r\nBBBB"), L"data:;base64,AAAABBBB");
    EXPECT_EQ(OneLineForm(L"a\r\r\nb\n\rc"), L"a\rb\n\rc");
    EXPECT_EQ(OneLineForm(L"\r\n\r\n"), L"");

    FakeRegistry registry;
    FakeTextBox txtData;
    BuildDataUrl(std::string(10000, 'q'), L"bin", txtData, [&] { return registry.NewReader(); });
    const std::wstring oneLine = OneLineForm(txtData.tag);
    EXPECT_EQ(oneLine.find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_EQ(oneLine.size(), txtData.tag.size() - 2 * std::count(txtData.tag.begin(), txtData.tag.end(), L'\n'));
}

TEST(NormaliseLineBreaks, DropsCRThenTurnsLFIntoCRLF) {
    const struct { const wchar_t* in; const wchar_t* out; } cases[] = {
        {L"", L""},
        {L"AAAA\r\nBBBB", L"AAAA\r\nBBBB"},
        {L"AAAA\nBBBB\n", L"AAAA\r\nBBBB\r\n"},
        {L"AAAA\rBBBB", L"AAAABBBB"},
        {L"AA\r\r\nBB\n\r", L"AA\r\nBB\r\n"},
    };
    for (const auto& c : cases) {
        std::wstring text = c.in;
        NormaliseLineBreaks(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(NormaliseLineBreaks, TheFastCheckAgreesWithThePlainRuleOnRandomTexts) {
    std::mt19937 random(3);
    const wchar_t alphabet[] = {L'A', L'\r', L'\n', L'='};
    for (int round = 0; round < 2000; ++round) {
        std::wstring text(random() % 40, L'A');
        for (wchar_t& c : text) c = alphabet[random() % 4];
        std::wstring expected;
        for (wchar_t c : text) {
            if (c == L'\n') expected += L"\r\n";
            else if (c != L'\r') expected += c;
        }
        std::wstring normalised = L"head\r\n" + text;
        NormaliseLineBreaks(normalised, 6);
        ASSERT_EQ(normalised, L"head\r\n" + expected);
    }
}

TEST(NormaliseLineBreaks, EncoderOutputWithLFBreaksAndATrailingLFIsStoredInCRLFForm) {
    std::wstring encoded = L"QUFB\nQkJC\nQw==\n";
    NormaliseLineBreaks(encoded);
    EXPECT_EQ(tsTrimCRLF(encoded), L"QUFB\r\nQkJC\r\nQw==");
}

}  // namespace
}  // namespace lumarind
