#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "builder/DataUrlDecoder.h"
#include "cli/ContentSignature.h"
#include "cli/MediaType.h"
#include "cli/OutputFormats.h"
#include "cli/WebTypes.h"
#include "codecs/PercentBlocks.h"
#include "codecs/PercentDecoding.h"
#include "codecs/PercentEncoding.h"
#include "support/portable/Utf8.h"
#include "tests/unit/KernelTestName.h"

namespace lumarind::cli {
namespace {

using namespace std::string_literals;

TEST(WebTypes, TheTypesBrowsersExpectByExtensionInAnyCase) {
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"svg", L"image/svg+xml"}, {L"png", L"image/png"},         {L"jpg", L"image/jpeg"},
        {L"JPEG", L"image/jpeg"},   {L"gif", L"image/gif"},         {L"webp", L"image/webp"},
        {L"avif", L"image/avif"},   {L"ico", L"image/x-icon"},      {L"bmp", L"image/bmp"},
        {L"css", L"text/css"},      {L"js", L"text/javascript"},    {L"Mjs", L"text/javascript"},
        {L"json", L"application/json"}, {L"wasm", L"application/wasm"}, {L"woff", L"font/woff"},
        {L"WOFF2", L"font/woff2"},  {L"ttf", L"font/ttf"},          {L"otf", L"font/otf"},
        {L"mp3", L"audio/mpeg"},    {L"mp4", L"video/mp4"},         {L"webm", L"video/webm"},
        {L"ogg", L"audio/ogg"},     {L"wav", L"audio/wav"},         {L"pdf", L"application/pdf"},
        {L"txt", L"text/plain"},    {L"html", L"text/html"},        {L"xml", L"application/xml"},
    };
    for (const auto& [extension, type] : expected) EXPECT_EQ(WebTypeForExtension(extension), type) << ToUtf8(extension);
    for (const wchar_t* unknown : {L"", L"exe", L"sv", L"svgz", L"png.", L"zzz"}) {
        EXPECT_EQ(WebTypeForExtension(unknown), L"") << ToUtf8(unknown);
    }
}

TEST(MediaType, ClassifiesAnyTypeAlikeWhateverItsCaseParametersAndSpaces) {
    for (const wchar_t* textual : {L"text/plain", L"TEXT/CSS", L"image/svg+xml", L"application/json", L"application/xml",
                                   L"application/javascript", L"application/ld+json", L"application/atom+xml",
                                   L"text/html; charset=utf-8", L" text/csv "}) {
        EXPECT_TRUE(IsTextualType(textual)) << ToUtf8(textual);
    }
    for (const wchar_t* binary : {L"", L"image/png", L"application/octet-stream", L"font/woff2", L"application/jsonx",
                                  L"image/svg", L"application/wasm", L"textual/x"}) {
        EXPECT_FALSE(IsTextualType(binary)) << ToUtf8(binary);
    }
    for (const wchar_t* image : {L"image/png", L"IMAGE/GIF", L" image/png", L"image/svg+xml;a=b"}) {
        EXPECT_TRUE(IsImageType(image)) << ToUtf8(image);
    }
    for (const wchar_t* other : {L"", L"images/png", L"text/image", L"imag"}) EXPECT_FALSE(IsImageType(other)) << ToUtf8(other);
}

TEST(MediaType, ReadsRfc2045TypesAndRefusesWhatCouldBreakOut) {
    const std::vector<std::pair<std::wstring, std::wstring>> valid = {
        {L"", L""},
        {L"text/plain", L"text/plain"},
        {L" text/plain ; charset=utf-8 ", L"text/plain;charset=utf-8"},
        {L"application/vnd.ms-excel", L"application/vnd.ms-excel"},
        {L"x/y;a=\"b c\";f=g", L"x/y;a=\"b c\";f=g"},
        {L"x/y;a=\"q\\\"q\"", L"x/y;a=\"q\\\"q\""},
        {L"x/y;a=!$%&'*+-.^_`{|}~", L"x/y;a=!$%&'*+-.^_`{|}~"},
    };
    for (const auto& [text, normalised] : valid) EXPECT_EQ(NormalisedMediaType(text), normalised) << ToUtf8(text);
    for (const wchar_t* invalid :
         {L"text", L"text/", L"/plain", L"text/plain;", L"text/plain;charset", L"text/plain;charset=", L"a,b/c",
          L"image/png\" onerror=\"alert(1)", L"text/plain\r\nX: y", L"text/pl ain", L"x/y;a=\"open", L"x/y;a=\"\r\"",
          L"x/y;a=b c", L"t\u00E9xt/plain", L"x/y;a=\"\u00E9\"", L"x/y(comment)", L"text/plain;charset=\"utf-8\"x",
          L"x/y;a=\"b,c\"", L"x/y;a=\"b;c\"", L"x/#", L"x/y;a=#", L"x/y;a=\"#\"", L"x/y;a=\"\\,\"", L"x/y;a=\"b\tc\""}) {
        EXPECT_FALSE(NormalisedMediaType(invalid).has_value()) << ToUtf8(invalid);
    }
    EXPECT_TRUE(IsToken(L"windows-1251"));
    for (const wchar_t* notToken : {L"", L"a,b", L"utf 8", L"\"utf-8\"", L"a;b", L"\u0436"}) EXPECT_FALSE(IsToken(notToken));
    EXPECT_TRUE(HasCharsetParameter(L"text/plain; CharSet=koi8-r"));
    EXPECT_FALSE(HasCharsetParameter(L"text/plain;a=\";charset=x\""));
    EXPECT_EQ(WithCharset(L"text/plain", L"utf-8"), L"text/plain;charset=utf-8");
    EXPECT_EQ(WithCharset(L"text/plain", L""), L"text/plain");
}

TEST(ContentSignature, EverySignatureAndNothingElse) {
    const std::string riffSize = "\x24\0\0\0"s;
    const std::vector<std::pair<std::string, std::wstring>> expected = {
        {"\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, L"image/png"},
        {"\xFF\xD8\xFF\xE0\0\x10JFIF"s, L"image/jpeg"},
        {"GIF89a\1\0\1\0"s, L"image/gif"},
        {"GIF87a"s, L"image/gif"},
        {"RIFF" + riffSize + "WEBPVP8 "s, L"image/webp"},
        {"RIFF" + riffSize + "WAVEfmt "s, L"audio/wav"},
        {"\0\0\0\x1C" "ftypavif\0\0\0\0avifmif1miaf"s, L"image/avif"},
        {"\0\0\0\x18" "ftypmif1\0\0\0\0avifmif1"s, L"image/avif"},
        {"\0\0\0\x18" "ftypisom\0\0\2\0isomiso2"s, L"video/mp4"},
        {"\0\0\0\x18" "ftypmp42\0\0\0\0mp42isom"s, L"video/mp4"},
        {"BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0"s, L"image/bmp"},
        {"\0\0\1\0\1\0\x10\x10"s, L"image/x-icon"},
        {"%PDF-1.7\n"s, L"application/pdf"},
        {"wOFF\0\1\0\0"s, L"font/woff"},
        {"wOF2OTTO"s, L"font/woff2"},
        {"\0\1\0\0\0\x0F\0\x80\0\3\0\x70"s, L"font/ttf"},
        {"true\0\1\0\x10\0\0\0\0cmap"s, L"font/ttf"},
        {"ttcf\0\1\0\0\0\0\0\2"s, L"font/collection"},
        {"ttcf\0\2\0\0\0\0\0\1"s, L"font/collection"},
        {"\x80\0\0\0\x60\0\0\0\2\0\2\0"s + std::string(22, '\0') + "LP"s, L"application/vnd.ms-fontobject"},
        {"\0\0\2\0\1\0\x20\x20"s, L"image/x-icon"},
        {"\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\x82\x84webm\x42\x87\x81\x04"s, L"video/webm"},
        // GStreamer pads the DocType with a zero byte, as EBML allows.
        {"\x1A\x45\xDF\xA3\xA0\x42\x86\x81\x01\x42\x82\x85webm\0\x42\x87\x81\x04"s, L"video/webm"},
        {"\x1A\x45\xDF\xA3\xA3\x42\x86\x81\x01\x42\x82\x88matroska"s, L"video/x-matroska"},
        {"fLaC\0\0\0\x22"s, L"audio/flac"},
        {"\xFF\xF1\x50\x80\x02\x1F\xFC"s, L"audio/aac"},
        {"ID3\4\0\0\0\0\0\x02\0\0\xFF\xF1\x50\x80"s, L"audio/aac"},
        {"ID3\4\0\0\0\0\0\0fLaC"s, L"audio/flac"},
        {"FORM\0\0\0\x20" "AIFFCOMM"s, L"audio/aiff"},
        {"RIFF" + riffSize + "AVI LIST"s, L"video/avi"},
        {"OggS\0\2"s + std::string(20, '\0') + "\1\x2A\x80theora"s, L"video/ogg"},
        {"OggS\0\2"s + std::string(20, '\0') + "\1\x13OpusHead"s, L"audio/ogg"},
        {".snd\0\0\0\x18"s, L"audio/basic"},
        {"MThd\0\0\0\x06\0\1"s, L"audio/midi"},
        {"Rar!\x1A\x07\x01\0"s, L"application/x-rar-compressed"},
        {"%!PS-Adobe-3.0\n"s, L"application/postscript"},
        {"\n <!DOCTYPE html>\n<html>"s, L"text/html"},
        {"<p>Hello</p>"s, L"text/html"},
        {"<html><svg></svg></html>"s, L"text/html"},
        {"<!-- never closed"s, L"text/html"},
        {"<?xml version=\"1.0\"?><a/>"s, L"text/xml"},
        {" \r\n\t\f<?xml version=\"1.0\"?><a/>"s, L"text/xml"},
        {"\f<p>"s, L"text/html"},
        {"\xEF\xBB\xBFplain text"s, L"text/plain"},
        {"OTTO\0\x0B\0\x80\0\3\0\x30"s, L"font/otf"},
        {"BZh91AY&SY"s, L"application/x-bzip2"},
        {"BZh1\x17\x72\x45\x38\x50\x90"s, L"application/x-bzip2"},
        {"\0asm\1\0\0\0"s, L"application/wasm"},
        {"PK\3\4\x14\0"s, L"application/zip"},
        {"\x1F\x8B\x08\0"s, L"application/gzip"},
        {"ID3\4\0\0"s, L"audio/mpeg"},
        {"\xFF\xFB\x90\x64"s, L"audio/mpeg"},
        {"OggS\0\2"s, L"audio/ogg"},
        {"<svg xmlns=\"http://www.w3.org/2000/svg\"/>"s, L"image/svg+xml"},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- drawn by hand -->\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
         "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\" [ <!ENTITY a \"<b>\"> ]>\r\n<svg>"s,
         L"image/svg+xml"},
    };
    for (const auto& [head, type] : expected) EXPECT_EQ(TypeFromSignature(head), type) << head;
    for (const std::string& unknown :
         {""s, "RIFF"s, "BM"s, "BMP is a format"s, "\0\0\1\0\0\0"s, "\xFF\xFB"s, "true type"s, "trueish"s,
          "\x1A\x45\xDF"s, "FORM\0\0\0\0ILBM"s, "<pre>"s, "<bold>"s, "<a"s,
          std::string(34, 'a') + "LP",
          "\0\0\0\x18" "ftypheic\0\0\0\0mif1heic"s, "<svgx>"s,
          "plain text"s, "\x89PNG"s,
          // Four bytes of a font's signature and no font after them: an
          // Access database, text, a table directory that does not add up.
          "\0\1\0\0Standard Jet DB\0"s, "ttcf is a tag\n"s, "ttcf\0\3\0\0\0\0\0\1"s, "ttcf\0\1\0\0\0\0\0\0"s,
          "OTTO and more"s, "\0\1\0\0\0\x0F\0\x80\0\3\0\x71"s, "\0\1\0\0\0\0\0\0\0\0\0\0"s,
          "\0\1\0\0\0\x0F"s, "wOFF is a word"s, "wOF2"s,
          "BZh9 plain text"s, "BZh0" "1AY&SY"s, "BZh"s}) {
        EXPECT_EQ(TypeFromSignature(unknown), L"") << unknown;
    }
}

constexpr PercentPlace kPlaces[] = {PercentPlace::kBareUrl, PercentPlace::kCssString, PercentPlace::kHtmlAttribute,
                                    PercentPlace::kMarkdown};

std::string Encoded(PercentPlace place, std::string_view bytes) {
    std::string encoded(PercentEncodedLength(place, bytes), '\0');
    EXPECT_EQ(PercentEncode(place, bytes, encoded.data()), encoded.data() + encoded.size());
    return encoded;
}

TEST(PercentEncoding, KeepsWhatEachPlaceTakesAsItIsAndRoundTripsEveryByte) {
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
    // The printable ASCII characters each place keeps; every other byte is
    // %XX everywhere.
    const std::string letters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const std::vector<std::pair<PercentPlace, std::string>> kept = {
        {PercentPlace::kBareUrl, "!$&'()*+,-./" + letters + ":=?@_~"},
        {PercentPlace::kCssString, " !$&'()*+,-./" + letters + ":<=>?@[]^_`{|}~"},
        {PercentPlace::kHtmlAttribute, " !$'()*+,-./" + letters + ":<=>?@[\\]^_`{|}~"},
        {PercentPlace::kMarkdown, "!\"$'*+,-./" + letters + ":<=>?@[]^_`{|}~"},
    };
    for (const auto& [place, keptHere] : kept) {
        std::string sortedKept = keptHere;
        std::sort(sortedKept.begin(), sortedKept.end());
        std::string found;
        for (int byte = 0; byte < 256; ++byte) {
            if (IsKeptInPercentForm(place, static_cast<unsigned char>(byte))) found += static_cast<char>(byte);
        }
        EXPECT_EQ(found, sortedKept) << static_cast<int>(place);
        const std::string encoded = Encoded(place, everyByte);
        EXPECT_EQ(DecodeDataUrl("data:," + encoded), everyByte);
        EXPECT_EQ(encoded.size(), 256 + 2 * (256 - keptHere.size()));
        EXPECT_EQ(Encoded(place, keptHere), keptHere);
        for (const char c : std::string("%#;\r\n\t\x7F\x80\xFF")) EXPECT_FALSE(IsKeptInPercentForm(place, static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(Encoded(PercentPlace::kBareUrl, "a b%#&\"'<>();\x7F\xD0\x96"), "a%20b%25%23&%22'%3C%3E()%3B%7F%D0%96");
    EXPECT_EQ(Encoded(PercentPlace::kCssString, "<a b=\"c\\d\">;#%"), "<a b=%22c%5Cd%22>%3B%23%25");
    EXPECT_EQ(Encoded(PercentPlace::kHtmlAttribute, "<a b=\"&amp;\">\n"), "<a b=%22%26amp%3B%22>%0A");
    EXPECT_EQ(Encoded(PercentPlace::kMarkdown, "[a](b) \\&\"<>"), "[a]%28b%29%20%5C%26\"<>");
    // Written by others, a raw ';' is the byte itself.
    EXPECT_EQ(PercentDecode("a;b%3B\r\nc"), "a;b;c");
}

TEST(PercentEncoding, CountsTheSpacesThatEndTheContentSoFar) {
    EXPECT_EQ(PercentTrailingSpaces(0, ""), 0u);
    EXPECT_EQ(PercentTrailingSpaces(3, ""), 3u);
    EXPECT_EQ(PercentTrailingSpaces(0, "a  "), 2u);
    EXPECT_EQ(PercentTrailingSpaces(2, "   "), 5u);
    EXPECT_EQ(PercentTrailingSpaces(2, " a"), 0u);
    EXPECT_EQ(PercentTrailingSpaces(0, "\t "), 1u);
}

class PercentKernelTest : public ::testing::TestWithParam<const percent::Kernel*> {};

// Each output between guard bytes, so that a store before or past it shows
// (an exact-size string would take one byte past its end unnoticed, in its
// terminating null): every length up to 300, then lengths at random.
TEST_P(PercentKernelTest, WritesWhatThePortableLoopDoesForEveryPlaceLengthAndMix) {
    const percent::Kernel& kernel = *GetParam();
    if (!kernel.available()) GTEST_SKIP() << "this processor has no " << kernel.name;
    std::mt19937 random(19);
    constexpr std::size_t kGuardSize = 32;
    constexpr char kGuard = '\xA5';
    const auto guarded = [&](std::size_t size) { return std::string(size + 2 * kGuardSize, kGuard); };
    const std::string guard(kGuardSize, kGuard);
    const auto guardsKept = [&](const std::string& out) {
        return out.compare(0, kGuardSize, guard) == 0 && out.compare(out.size() - kGuardSize, kGuardSize, guard) == 0;
    };
    // Text that is mostly kept, text with spaces, markup, and bytes of every value.
    const std::string alphabets[] = {"abcdefghij-._~", "words and, more; (text)\n", "<svg a=\"#1\"/>&\\ ",
                                     std::string()};
    for (const PercentPlace place : kPlaces) {
        for (int length = 0; length <= 4096; length += length < 300 ? 1 : 1 + static_cast<int>(random() % 61)) {
            for (const std::string& alphabet : alphabets) {
                std::string bytes(static_cast<std::size_t>(length), '\0');
                for (char& c : bytes) c = alphabet.empty() ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
                const std::size_t expected = PercentEncodedLengthPortable(place, bytes);
                ASSERT_EQ(PercentEncodedLength(place, bytes), expected) << length;
                std::string fast = guarded(expected), portable = guarded(expected);
                ASSERT_EQ(PercentEncode(kernel, place, bytes, fast.data() + kGuardSize), fast.data() + kGuardSize + expected)
                    << length;
                PercentEncodePortable(place, bytes, portable.data() + kGuardSize);
                ASSERT_TRUE(guardsKept(fast)) << kernel.name << " wrote outside its output, length " << length;
                ASSERT_TRUE(guardsKept(portable)) << "the portable loop wrote outside its output, length " << length;
                ASSERT_EQ(fast, portable) << length;
                ASSERT_EQ(PercentDecode(fast.substr(kGuardSize, expected)), bytes) << length;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, PercentKernelTest, ::testing::ValuesIn(percent::kKernels),
                         KernelTestName());

class PercentDecodeKernelTest : public ::testing::TestWithParam<const percent::DecodeKernel*> {};

// Texts of every length up to 4096 from alphabets dense in escapes, broken
// escapes and the characters that end a stretch: the same place reached and
// the same bytes as the portable loop, and nothing written past the slack.
TEST_P(PercentDecodeKernelTest, StopsWhereThePortableLoopStopsWithTheSameBytes) {
    const percent::DecodeKernel& kernel = *GetParam();
    if (!kernel.available()) GTEST_SKIP() << "this processor has no " << kernel.name;
    std::mt19937 random(23);
    constexpr unsigned char kGuard = 0xA5;
    const std::string alphabets[] = {"%%%0123456789abcdefABCDEFgG", "%20%C3%A9xyz", "%41%4g%%4\xC3\xA9zz#",
                                     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa%4F", "ab %41\t\n\x7F"};
    for (std::size_t length = 0; length <= 4096; ++length) {
        for (const std::string& alphabet : alphabets) {
            std::string text(length, '\0');
            for (char& c : text) c = alphabet[random() % alphabet.size()];
            const auto* in = reinterpret_cast<const unsigned char*>(text.data());
            std::vector<unsigned char> expected(length + percent::kDecodeSlack), got(length + 2 * percent::kDecodeSlack, kGuard);
            unsigned char* portableOut = expected.data();
            unsigned char* kernelOut = got.data();
            const unsigned char* portableAt = percent::kPortableDecodeKernel.decodeBare(in, in + length, portableOut);
            ASSERT_EQ(kernel.decodeBare(in, in + length, kernelOut) - in, portableAt - in) << alphabet << ", length " << length;
            ASSERT_EQ(kernelOut - got.data(), portableOut - expected.data()) << alphabet << ", length " << length;
            ASSERT_TRUE(std::equal(expected.data(), portableOut, got.data())) << alphabet << ", length " << length;
            for (std::size_t i = length + percent::kDecodeSlack; i < got.size(); ++i) ASSERT_EQ(got[i], kGuard) << length;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, PercentDecodeKernelTest, ::testing::ValuesIn(percent::kDecodeKernels),
                         KernelTestName());

TEST(OutputFormats, EscapesNamesForHtmlAndMarkdown) {
    EXPECT_EQ(EscapeHtml("a&b<c>d\"e'f\\g\r\n\t\x01\x7F\xD0\x96"),
              "a&amp;b&lt;c&gt;d&quot;e&#39;f\\g&#13;&#10;&#9;&#1;&#127;\xD0\x96");
    EXPECT_EQ(EscapeMarkdown("!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"),
              "\\!\\\"\\#\\$\\%\\&\\'\\(\\)\\*\\+\\,\\-\\.\\/\\:\\;\\<\\=\\>\\?\\@\\[\\\\\\]\\^\\_\\`\\{\\|\\}\\~");
    EXPECT_EQ(EscapeMarkdown("a\r\nb\rc\nd\te \xD0\x96"), "a b c d\te \xD0\x96");
}

TEST(OutputFormats, SnippetsAroundTheDataUrlAndBackAgain) {
    struct Case {
        Format format;
        const char* header;
        const wchar_t* type;
        const wchar_t* name;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {Format::kText, "data:image/png;base64,\r\n", L"image/png", L"a.png", "data:image/png;base64,\r\n", ""},
        {Format::kLine, "data:image/png,", L"image/png", L"a.png", "data:image/png,", ""},
        {Format::kCss, "data:font/woff2;base64,", L"font/woff2", L"f.woff2", "url(\"data:font/woff2;base64,", "\")"},
        {Format::kCss, "data:x/y;a=\"\\\"\";base64,", L"x/y", L"", "url(\"data:x/y;a=\\\"\\\\\\\"\\\";base64,", "\")"},
        {Format::kHtml, "data:image/png,", L"image/png", L"a&b.png", "<img src=\"data:image/png,", "\" alt=\"a&amp;b.png\">"},
        {Format::kHtml, "data:image/svg+xml,", L"IMAGE/SVG+XML", L"\"x\".svg", "<img src=\"data:image/svg+xml,",
         "\" alt=\"&quot;x&quot;.svg\">"},
        {Format::kHtml, "data:application/pdf,", L"application/pdf", L"<r>\r.pdf", "<a href=\"data:application/pdf,",
         "\" download=\"&lt;r&gt;&#13;.pdf\">&lt;r&gt;&#13;.pdf</a>"},
        {Format::kHtml, "data:x/y;a=\"&\",", L"x/y", L"", "<a href=\"data:x/y;a=&quot;&amp;&quot;,", "\" download=\"\"></a>"},
        {Format::kMarkdown, "data:image/gif,", L"image/gif", L"[1].gif", "![\\[1\\]\\.gif](data:image/gif,", ")"},
        {Format::kMarkdown, "data:text/plain,", L"text/plain", L"a\\](data:x).txt",
         "[a\\\\\\]\\(data\\:x\\)\\.txt](data:text/plain,", ")"},
        {Format::kMarkdown, "data:text/plain,", L"text/plain", L"\u0424\u043E\u0442\u043E.txt",
         "[\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\\.txt](data:text/plain,", ")"},
        {Format::kMarkdown, "data:x/y;a=\"(b c)&<\\\"\";base64,", L"x/y", L"",
         "[](data:x/y;a=\"\\(b%20c\\)\\&\\<\\\\\"\";base64,", ")"},
    };
    const std::string body = "YWJj";
    for (const Case& c : cases) {
        const Snippet snippet = SnippetAround(c.format, c.header, c.type, c.name);
        EXPECT_EQ(snippet.before, c.before) << c.before;
        EXPECT_EQ(snippet.after, c.after) << c.after;
        const bool base64 = std::string_view(c.header).find(";base64,") != std::string_view::npos;
        EXPECT_EQ(DecodeDataUrl(snippet.before + body + snippet.after), base64 ? "abc" : body)
            << c.before;
    }
}

}  // namespace
}  // namespace lumarind::cli
