#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "builder/DataUrlDecoder.h"
#include "cli/ContentSignature.h"
#include "cli/OutputFormats.h"
#include "cli/PercentEncoding.h"
#include "cli/WebTypes.h"
#include "support/portable/Utf8.h"

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

TEST(WebTypes, TextualTypes) {
    for (const wchar_t* textual : {L"text/plain", L"TEXT/CSS", L"image/svg+xml", L"application/json", L"application/xml",
                                   L"application/javascript", L"application/ld+json", L"application/atom+xml",
                                   L"text/html; charset=utf-8", L" text/csv "}) {
        EXPECT_TRUE(IsTextualType(textual)) << ToUtf8(textual);
    }
    for (const wchar_t* binary : {L"", L"image/png", L"application/octet-stream", L"font/woff2", L"application/jsonx",
                                  L"image/svg", L"application/wasm", L"textual/x"}) {
        EXPECT_FALSE(IsTextualType(binary)) << ToUtf8(binary);
    }
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
        {"wOF2\0\1\0\0"s, L"font/woff2"},
        {"\0\1\0\0\0\x0F\0\x80"s, L"font/ttf"},
        {"OTTO\0\x0B\0\x80"s, L"font/otf"},
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
         {""s, "RIFF"s, "RIFF\0\0\0\0AVI "s, "BM"s, "BMP is a format"s, "\0\0\1\0\0\0"s, "\xFF\xF1\x50\x80"s, "\xFF\xFB"s,
          "\0\0\0\x18" "ftypheic\0\0\0\0mif1heic"s, "<svgx>"s, "<html><svg></svg></html>"s, "<?xml version=\"1.0\"?><a/>"s,
          "<!-- never closed"s, "plain text"s, "\x89PNG"s}) {
        EXPECT_EQ(TypeFromSignature(unknown), L"") << unknown;
    }
}

TEST(PercentEncoding, KeepsOnlyTheSafeCharactersAndRoundTripsEveryByte) {
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
    std::string encoded(PercentEncodedLength(everyByte), '\0');
    ASSERT_EQ(PercentEncode(everyByte, encoded.data()), encoded.data() + encoded.size());
    EXPECT_EQ(DecodeDataUrl("data:," + encoded), everyByte);
    for (const char c : encoded) {
        EXPECT_TRUE(IsKeptInPercentForm(static_cast<unsigned char>(c)) || c == '%') << c;
        EXPECT_EQ(std::string("\"'<>&#()[] \\`{}|^\r\n").find(c), std::string::npos) << c;
    }
    const std::string kept = "AZaz09-._~!$*+,;=:@/?";
    std::string out(PercentEncodedLength(kept), '\0');
    PercentEncode(kept, out.data());
    EXPECT_EQ(out, kept);
    const std::string special = "a b%#&\"'<>()\x7F\xD0\x96";
    out.assign(PercentEncodedLength(special), '\0');
    PercentEncode(special, out.data());
    EXPECT_EQ(out, "a%20b%25%23%26%22%27%3C%3E%28%29%7F%D0%96");
    EXPECT_TRUE(HasByteFrom0x80("ab\x80"));
    EXPECT_FALSE(HasByteFrom0x80("ab\x7F"));
}

TEST(OutputFormats, EscapesNamesForHtmlAndMarkdown) {
    EXPECT_EQ(EscapeHtml("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&#39;f");
    EXPECT_EQ(EscapeMarkdown("a[b]c\\d(e)"), "a\\[b\\]c\\\\d(e)");
}

TEST(OutputFormats, SnippetsAroundTheDataUrlAndBackAgain) {
    struct Case {
        Format format;
        const wchar_t* type;
        const wchar_t* name;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {Format::kText, L"image/png", L"a.png", "", ""},
        {Format::kLine, L"image/png", L"a.png", "", ""},
        {Format::kCss, L"font/woff2", L"f.woff2", "url(\"", "\")"},
        {Format::kHtml, L"image/png", L"a&b.png", "<img src=\"", "\" alt=\"a&amp;b.png\">"},
        {Format::kHtml, L"IMAGE/SVG+XML", L"\"x\".svg", "<img src=\"", "\" alt=\"&quot;x&quot;.svg\">"},
        {Format::kHtml, L"application/pdf", L"<r>.pdf", "<a href=\"", "\" download=\"&lt;r&gt;.pdf\">&lt;r&gt;.pdf</a>"},
        {Format::kHtml, L"", L"", "<a href=\"", "\" download=\"\"></a>"},
        {Format::kMarkdown, L"image/gif", L"[1].gif", "![\\[1\\].gif](", ")"},
        {Format::kMarkdown, L"text/plain", L"a\\](data:x).txt", "[a\\\\\\](data:x).txt](", ")"},
        {Format::kMarkdown, L"text/plain", L"Фото.txt", "[\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.txt](", ")"},
    };
    const std::string dataUrl = "data:x/y;base64,YWJj";
    for (const Case& c : cases) {
        const Snippet snippet = SnippetAround(c.format, c.type, c.name);
        EXPECT_EQ(snippet.before, c.before) << c.before;
        EXPECT_EQ(snippet.after, c.after) << c.after;
        EXPECT_EQ(DataUrlInSnippet(snippet.before + dataUrl + snippet.after), dataUrl) << c.before;
    }
    EXPECT_EQ(DataUrlInSnippet("something else"), "something else");
    EXPECT_EQ(DataUrlInSnippet("url(\"data:,never closed"), "url(\"data:,never closed");
}

}  // namespace
}  // namespace lumarind::cli
