// The percent form of a data URL's body: each byte kept as itself when it is
// an unreserved or harmless URL character, otherwise %XX in upper-case hex.
// Quotes, brackets, parentheses, '<', '>', '&', '#', '%', spaces, controls
// and every byte from 0x80 are encoded, so the result is safe inside HTML
// attributes, CSS strings and Markdown links.
#pragma once

#include <cstddef>
#include <string_view>

namespace lumarind::cli {

bool IsKeptInPercentForm(unsigned char byte);
std::size_t PercentEncodedLength(std::string_view bytes);
// Writes PercentEncodedLength(bytes) characters at out; returns their end.
char* PercentEncode(std::string_view bytes, char* out);
// Writes the three characters %XX of any byte, kept or not; returns their end.
char* PercentEscape(char byte, char* out);
bool HasByteFrom0x80(std::string_view bytes);

}  // namespace lumarind::cli
