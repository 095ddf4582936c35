// The percent form of a data URL's body, both ways. Each byte is kept as
// itself when it is an unreserved or harmless URL character, otherwise
// written %XX in upper-case hex. Quotes, brackets, parentheses, '<', '>',
// '&', '#', '%', spaces, controls and every byte from 0x80 are encoded, so
// the result is safe inside HTML attributes, CSS strings and Markdown links;
// so is ';', which RFC 2397 allows as it is but Chromium takes for the end
// of the media type wherever it stands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumarind {

namespace percent {
struct Kernel;
}

bool IsKeptInPercentForm(unsigned char byte);
std::size_t PercentEncodedLength(std::string_view bytes);
// Writes PercentEncodedLength(bytes) characters at out; returns their end.
// Both use the widest vector instructions the processor has.
char* PercentEncode(std::string_view bytes, char* out);
// The same with one given instruction set, for tests that compare them.
char* PercentEncode(const percent::Kernel& kernel, std::string_view bytes, char* out);
// The same in plain C++, for tests that compare the two.
std::size_t PercentEncodedLengthPortable(std::string_view bytes);
char* PercentEncodePortable(std::string_view bytes, char* out);

// The bytes of a percent-encoded body: every %XX turned back into its byte,
// any other character taken as it is (';' included), line breaks skipped.
// Throws lumarind::Error at a '%' without two hex digits.
std::string PercentDecode(std::string_view body);

}  // namespace lumarind
