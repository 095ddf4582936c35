// The one-line form of a text: every CR LF pair removed, scanning from the
// left; a lone CR or LF stays. One implementation for the builder's
// OneLineForm and for the components that form it straight into their own
// buffers (the clipboard's memory, a file being written).
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace lumarind::oneline {

inline std::size_t Length(std::wstring_view text) {
    std::size_t pairs = 0;
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring_view::npos; at = text.find(L"\r\n", at + 2)) {
        ++pairs;
    }
    return text.size() - 2 * pairs;
}

// Writes Length(text) characters at out, converting each to Char (the text
// is ASCII wherever a narrower Char is used); returns their end.
template <typename Char>
Char* Copy(std::wstring_view text, Char* out) {
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(L"\r\n", from)) != std::wstring_view::npos; from = at + 2) {
        for (std::size_t i = from; i < at; ++i) *out++ = static_cast<Char>(text[i]);
    }
    for (std::size_t i = from; i < text.size(); ++i) *out++ = static_cast<Char>(text[i]);
    return out;
}

// Where a slice of the text may end without splitting a CR LF pair.
inline std::size_t SafeCut(std::wstring_view text, std::size_t wanted) {
    if (wanted >= text.size()) return text.size();
    return wanted != 0 && text[wanted - 1] == L'\r' ? wanted - 1 : wanted;
}

}  // namespace lumarind::oneline
