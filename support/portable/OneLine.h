// The one-line form of a text: every CR LF pair removed, scanning from the
// left; a lone CR or LF stays. One implementation for the builder's
// OneLineForm and for the components that form it straight into their own
// buffers (the clipboard's memory, a file being written).
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace lumarind::oneline {

// Texts of either width: 16-bit (or wider) text, or a document held as ASCII.
template <typename In>
std::size_t Length(std::basic_string_view<In> text) {
    // Pairs cannot overlap (CR is not LF), so counting them is branch-free.
    std::size_t pairs = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) pairs += (text[i] == In('\r')) & (text[i + 1] == In('\n'));
    return text.size() - 2 * pairs;
}

// Writes Length(text) characters at out, converting each to Char (the text
// is ASCII wherever a narrower Char is used); returns their end.
template <typename In, typename Char>
Char* Copy(std::basic_string_view<In> text, Char* out) {
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const In c = text[i];
        // One break in every 78 characters: the branch is well predicted.
        if (c == In('\r') && i + 1 < size && text[i + 1] == In('\n')) {
            ++i;
            continue;
        }
        *out++ = static_cast<Char>(c);
    }
    return out;
}

// Where a slice of the text may end without splitting a CR LF pair.
template <typename In>
std::size_t SafeCut(std::basic_string_view<In> text, std::size_t wanted) {
    if (wanted >= text.size()) return text.size();
    return wanted != 0 && text[wanted - 1] == In('\r') ? wanted - 1 : wanted;
}

}  // namespace lumarind::oneline
