#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codecs/Base64Blocks.h"
#include "codecs/Base64Lines.h"
#include "support/Error.h"
#include "support/SupportFunctions.h"
#include "tests/common/ReferenceBase64.h"

namespace lumarind {
namespace {

std::wstring Encode(std::string_view bytes) { return tsBase64Encode(bytes, kBase64LineForm); }

TEST(Base64Encode, MatchesTheRfc4648TestVectors) {
    EXPECT_EQ(Encode(""), L"");
    EXPECT_EQ(Encode("f"), L"Zg==");
    EXPECT_EQ(Encode("fo"), L"Zm8=");
    EXPECT_EQ(Encode("foo"), L"Zm9v");
    EXPECT_EQ(Encode("foob"), L"Zm9vYg==");
    EXPECT_EQ(Encode("fooba"), L"Zm9vYmE=");
    EXPECT_EQ(Encode("foobar"), L"Zm9vYmFy");
}

TEST(Base64Encode, UsesTheWholeAlphabetAndEveryByteValue) {
    EXPECT_EQ(Encode(std::string("\xfb\xff\xbf", 3)), L"+/+/");
    EXPECT_EQ(Encode(std::string("\0\0\0", 3)), L"AAAA");
    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    EXPECT_EQ(testing::DecodeBase64(Encode(every)), every);
}

TEST(Base64Encode, BreaksLinesAfter76CharactersWithCRLFAndNotAtTheEnd) {
    EXPECT_EQ(Encode(std::string(57, 'a')).size(), 76u);
    const std::wstring twoLines = Encode(std::string(58, 'a'));
    ASSERT_EQ(twoLines.size(), 76u + 2 + 4);
    EXPECT_EQ(twoLines.substr(76, 2), L"\r\n");
    EXPECT_EQ(twoLines.substr(78), L"YQ==");
    const std::wstring exact = Encode(std::string(114, 'a'));
    EXPECT_EQ(exact.size(), 76u * 2 + 2);
    EXPECT_NE(exact.back(), L'\n');
}

TEST(Base64Encode, RoundTripsRandomContentOfManyLengths) {
    std::mt19937 random(20261207);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
    for (std::size_t base : {228u, 285u, 570u, 1140u, 3000u, 4104u}) {
        for (std::size_t d = base - 2; d <= base + 2; ++d) lengths.push_back(d);
    }
    for (std::size_t length : lengths) {
        std::string bytes(length, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        const std::wstring text = Encode(bytes);
        ASSERT_EQ(text, testing::EncodeBase64Lines(bytes)) << "length " << length;
        ASSERT_EQ(testing::DecodeBase64(text), bytes) << "length " << length;
    }
}

TEST(Base64Encode, TheVectorPathGivesWhatThePortablePathGives) {
    std::mt19937 random(99);
    for (std::size_t lines : {1u, 2u, 63u, 64u, 65u, 200u}) {
        std::string bytes(lines * base64::kBytesPerLine, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        std::vector<unsigned char> fast(lines * base64::kLineLength), portable(lines * base64::kLineLength);
        const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
        base64::EncodeWholeLines(in, lines, fast.data());
        base64::EncodeWholeLinesPortable(in, lines, portable.data());
        ASSERT_EQ(fast, portable) << lines;
    }
}

TEST(Base64Encode, EveryCharacterWidthGivesTheSameText) {
    std::mt19937 random(5);
    for (std::size_t length : {0u, 1u, 56u, 57u, 58u, 3647u, 3648u, 3649u, 10000u}) {
        std::string bytes(length, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        const std::wstring expected = testing::EncodeBase64Lines(bytes);
        for (const base64::Lines lines : {base64::Lines::kBroken, base64::Lines::kSingle}) {
            std::wstring want = expected;
            if (lines == base64::Lines::kSingle) {
                for (std::size_t at; (at = want.find(L"\r\n")) != std::wstring::npos;) want.erase(at, 2);
            }
            std::string narrow(base64::EncodedLength(length, lines), '?');
            std::u16string wide16(narrow.size(), u'?');
            ASSERT_EQ(base64::Encode(bytes.data(), length, lines, narrow.data()), narrow.data() + narrow.size());
            ASSERT_EQ(base64::Encode(bytes.data(), length, lines, wide16.data()), wide16.data() + wide16.size());
            ASSERT_EQ(std::wstring(narrow.begin(), narrow.end()), want) << length;
            ASSERT_EQ(std::wstring(wide16.begin(), wide16.end()), want) << length;
        }
    }
}

TEST(Base64Encode, RefusesAnyOtherLineForm) {
    for (int form : {0, 14, 16, -1}) {
        EXPECT_THROW(tsBase64Encode("abc", form), Error) << form;
    }
}

}  // namespace
}  // namespace lumarind
