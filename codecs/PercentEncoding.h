// The percent form of a data URL's body, both ways. Each byte is kept as
// itself where the URL goes lets it stand, otherwise written %XX in
// upper-case hex, so that a browser reads back every byte unchanged and
// the result is no longer than it must be. Everywhere '%' (an escape), '#'
// (a fragment), controls (URL parsers drop tabs and line breaks) and every
// byte from 0x80 are encoded; so is ';', which RFC 2397 allows as it is but
// Chromium takes for the end of the media type wherever it stands. With no
// raw line break, Chromium's rule against a URL holding both a line break
// and '<' (dangling markup) never applies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumarind {

namespace percent {
struct Kernel;
}

// Where the URL goes, which decides what else must be encoded.
enum class PercentPlace {
    // A bare URL in text: what RFC 3986 allows in a path and query, less ';'.
    kBareUrl,
    // Inside a double-quoted CSS string, url("..."): all printable ASCII
    // and the space but the string's '"' and '\'.
    kCssString,
    // Inside a double-quoted HTML attribute: the same but '"' and '&',
    // which may start a character reference.
    kHtmlAttribute,
    // A Markdown link destination: printable ASCII but '\' and '&' (which
    // CommonMark reads as escapes and references there) and parentheses.
    kMarkdown,
};
inline constexpr int kPercentPlaces = 4;

bool IsKeptInPercentForm(PercentPlace place, unsigned char byte);
// The length of the bytes' percent form, not counting that spaces at its
// very end must be encoded (see PercentTrailingSpaces).
std::size_t PercentEncodedLength(PercentPlace place, std::string_view bytes);
// Writes PercentEncodedLength(place, bytes) characters at out; returns
// their end. Both use the widest vector instructions the processor has.
char* PercentEncode(PercentPlace place, std::string_view bytes, char* out);
// The same with one given instruction set, for tests that compare them.
char* PercentEncode(const percent::Kernel& kernel, PercentPlace place, std::string_view bytes, char* out);
// The same in plain C++, for tests that compare the two.
std::size_t PercentEncodedLengthPortable(PercentPlace place, std::string_view bytes);
char* PercentEncodePortable(PercentPlace place, std::string_view bytes, char* out);

// URL parsers strip spaces from a URL's end, so where a place keeps spaces
// those that end the content are written %20 instead: given the spaces
// that end the bytes so far and the next bytes, the spaces that end them
// all. The whole body is PercentEncodedLength plus two for each.
std::size_t PercentTrailingSpaces(std::size_t before, std::string_view next);

// The bytes of a percent-encoded body: every %XX turned back into its byte,
// any other character taken as it is (';' included), line breaks skipped.
// Throws lumarind::Error at a '%' without two hex digits.
std::string PercentDecode(std::string_view body);

}  // namespace lumarind
