// The forms lumarind-cli writes a data URL in: the window's text, one line,
// or a snippet for a style sheet, a web page or a Markdown document (which
// builder/DataUrlDecoder reads back).
#pragma once

#include <string>
#include <string_view>

namespace lumarind::cli {

enum class Format { kText, kLine, kCss, kHtml, kMarkdown };

// What goes before and after the body of the data URL: before ends with its
// header ("data:" + type + ";base64," or ","). header and name (the input
// file's name, empty for standard input) are escaped as the format needs;
// the body, Base64 or percent-encoded, needs no escape in any of them.
struct Snippet {
    std::string before;
    std::string after;
};
Snippet SnippetAround(Format format, std::string_view header, std::wstring_view contentType, std::wstring_view name);

// For an attribute value in double quotes or text in HTML: & < > " ' and
// every control character as a reference.
std::string EscapeHtml(std::string_view text);
// For Markdown link text or an image's alt: every ASCII punctuation
// character backslash-escaped, each line break a space.
std::string EscapeMarkdown(std::string_view text);

}  // namespace lumarind::cli
