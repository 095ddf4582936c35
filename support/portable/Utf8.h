// UTF-8 and the program's wide text, whatever the width of wchar_t
// (16 bits with surrogate pairs on Windows, 32 bits elsewhere).
#pragma once

#include <string>
#include <string_view>

namespace lumarind {

std::string ToUtf8(std::wstring_view text);
// Malformed sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);

}  // namespace lumarind
