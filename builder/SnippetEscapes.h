// How a data URL stands in the text around it, and the escapes that text
// puts on its characters: a CSS string or url(), an HTML attribute value, a
// Markdown link destination, or nothing at all. Reading a URL character by
// character through these gives what the style sheet, HTML or CommonMark
// parser would give the browser's URL parser.
#pragma once

#include <cstddef>

namespace lumarind {

enum class Wrapping {
    kBare,
    kCssString,
    kCssUrl,
    kHtmlValue,
    kHtmlUnquoted,
    kMarkdown,
    kMarkdownPointy,
    // A string in JSON or JavaScript.
    kJsonString,
    // A URL in running text: it ends at white space, a quote or a bracket,
    // but goes on over the line breaks of lumarind's own text form (see
    // DataUrlReader).
    kBareText,
};

struct Wrapper {
    Wrapping kind = Wrapping::kBare;
    // The closing quote of a CSS string or an HTML value.
    char quote = 0;
    // Open parentheses in a Markdown destination.
    int depth = 0;
};

// One character of the URL, as up to four bytes (a reference or escape may
// stand for any Unicode character, in UTF-8).
struct UrlCharacter {
    enum Kind { kBytes, kEnd, kNeedMore };
    Kind kind = kBytes;
    // The text it takes; a kEnd takes none of it.
    std::size_t used = 0;
    unsigned char bytes[4] = {};
    int count = 0;
};

// The first URL character in [at, end); kNeedMore when the text stops
// before it is known and more may follow (last false), kEnd where the
// wrapper closes.
UrlCharacter ReadUrlCharacter(Wrapper& wrapper, const char* at, const char* end, bool last);

// The most text ReadUrlCharacter looks at for one character.
inline constexpr std::size_t kMostEscapeLength = 40;

// The characters no wrapper gives a meaning to: letters, digits and
// "+-./_~!$*,=:;?@%" plus every byte from 0x80, which pass through each
// of them unchanged.
bool IsPlainInEveryWrapper(unsigned char c);

}  // namespace lumarind
