// Small rules for ASCII text that several parsers share, written once.
#pragma once

#include <string_view>

namespace lumarind {

template <typename Char>
constexpr bool IsAsciiSpace(Char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

template <typename Char>
constexpr Char AsciiLower(Char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}
inline bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text without the ASCII white space at either end.
template <typename Char>
std::basic_string_view<Char> TrimAsciiSpace(std::basic_string_view<Char> text) {
    while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace lumarind
