// The percent form's inner loops, sixteen bytes at a time with SSSE3 where
// the processor has it (checked at run time). Callers finish what these
// leave with the portable loops; the output is the same either way.
#pragma once

#include <cstddef>
#include <string_view>

namespace lumarind::percent {

// Letters, digits and the punctuation that means nothing special in a data
// URL's body nor in the snippets around it.
constexpr bool IsKept(unsigned char byte) {
    constexpr std::string_view kKeptPunctuation = "-._~!$*+,=:@/?";
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           kKeptPunctuation.find(static_cast<char>(byte)) != std::string_view::npos;
}

bool HasSsse3();

// How many bytes are not kept among the first count / 16 * 16.
std::size_t CountEncodedSsse3(const unsigned char* in, std::size_t count);

// Encodes from in while at least 40 bytes remain, so that no store passes
// the end of the whole output; moves in past what it encoded and returns
// the output's new end.
char* EncodeSsse3(const unsigned char*& in, const unsigned char* end, char* out);

}  // namespace lumarind::percent
