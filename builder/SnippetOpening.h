// The start of a snippet that holds a data URL, read in the text before the
// URL: url( in CSS, src= or href= in an HTML tag, a Markdown link's ](, or
// nothing (a bare URL); and, at its end, what may follow the URL until the
// snippet closes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "builder/DecodeFaults.h"
#include "builder/SnippetEscapes.h"

namespace lumarind {

struct SnippetOpening {
    Wrapper wrapper;
    // The text before the URL's first character.
    std::size_t length = 0;
    // The HTML tag's name in lower case.
    std::string tag;
};

// The opening at the start of text (a bare URL when there is none).
SnippetOpening OpeningAt(std::string_view text);

// Throws the fault of text after the URL that does not close its snippet
// (at names where that text starts): anything but white space after a bare
// URL, a CSS url() or a Markdown link, or after an HTML tag's end (and its
// content and end tag, for an element other than img).
void CheckSnippetEnd(const SnippetOpening& opening, std::string_view after, const TextPlace& at);

}  // namespace lumarind
