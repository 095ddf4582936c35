// The forms lumarind-cli writes a data URL in: the window's text, one line,
// or a snippet for a style sheet, a web page or a Markdown document, and the
// way back from a snippet to its data URL for --decode.
#pragma once

#include <string>
#include <string_view>

namespace lumarind::cli {

enum class Format { kText, kLine, kCss, kHtml, kMarkdown };

// What goes before and after the one-line data URL. name is the input
// file's name (empty for standard input), escaped as the format needs.
struct Snippet {
    std::string before;
    std::string after;
};
Snippet SnippetAround(Format format, std::wstring_view contentType, std::wstring_view name);

std::string EscapeHtml(std::string_view text);
std::string EscapeMarkdown(std::string_view text);

// The data URL inside one of the snippets above; any other text as it is.
std::string_view DataUrlInSnippet(std::string_view text);

}  // namespace lumarind::cli
