#include "cli/OutputFormats.h"

#include "cli/MediaType.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

using namespace std::string_view_literals;

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool IsAsciiPunctuation(char c) {
    return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
}

// A character reference for the HTML parser; CR in particular would
// otherwise become LF.
void AppendDecimalReference(std::string& text, char c) {
    text += "&#";
    text += std::to_string(static_cast<unsigned char>(c));
    text += ';';
}

void AppendPercent(std::string& text, char c) {
    const auto byte = static_cast<unsigned char>(c);
    text += '%';
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 15];
}

// A CSS string keeps everything but its quote, the backslash and line
// breaks, which take an escape of their own.
std::string EscapeCssString(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (IsControl(c)) {
            escaped += '\\';
            escaped += kHexDigits[static_cast<unsigned char>(c) >> 4];
            escaped += kHexDigits[c & 15];
            escaped += ' ';
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// A Markdown link destination without angle brackets: no white space or
// controls, no unbalanced parentheses, and no '&' that could start an
// entity. Our own data URLs hold none of these; a type from elsewhere may.
std::string EscapeMarkdownDestination(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == ' ' || IsControl(c)) {
            AppendPercent(escaped, c);
        } else {
            if (c == '\\' || c == '(' || c == ')' || c == '<' || c == '>' || c == '&') escaped += '\\';
            escaped += c;
        }
    }
    return escaped;
}

// The text from "at" up to the closing character that no backslash escapes;
// the text as it is when that never comes.
std::string_view Until(std::string_view text, std::size_t at, char closing) {
    for (std::size_t end = at; end < text.size(); ++end) {
        if (text[end] == '\\') ++end;
        else if (text[end] == closing) return text.substr(at, end - at);
    }
    return text;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default:
            if (IsControl(c)) AppendDecimalReference(escaped, c);
            else escaped += c;
        }
    }
    return escaped;
}

std::string EscapeMarkdown(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // A line break would end the link's paragraph: CR LF, CR and LF
            // each become one space.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            escaped += ' ';
            continue;
        }
        if (IsAsciiPunctuation(c)) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

Snippet SnippetAround(Format format, std::string_view header, std::wstring_view contentType, std::wstring_view name) {
    const std::string shownName = ToUtf8(name);
    const bool image = IsImageType(contentType);
    switch (format) {
    case Format::kText:
    case Format::kLine:
        return {std::string(header), ""};
    case Format::kCss:
        return {"url(\"" + EscapeCssString(header), "\")"};
    case Format::kHtml: {
        const std::string html = EscapeHtml(shownName);
        if (image) return {"<img src=\"" + EscapeHtml(header), "\" alt=\"" + html + "\">"};
        return {"<a href=\"" + EscapeHtml(header), "\" download=\"" + html + "\">" + html + "</a>"};
    }
    case Format::kMarkdown:
        return {(image ? "![" : "[") + EscapeMarkdown(shownName) + "](" + EscapeMarkdownDestination(header), ")"};
    }
    return {};
}

std::string_view DataUrlInSnippet(std::string_view text) {
    constexpr std::string_view kCss = "url(\""sv;
    if (text.substr(0, kCss.size()) == kCss) return Until(text, kCss.size(), '"');
    // An HTML attribute knows no backslash escapes, and its URL may hold '\'.
    for (const std::string_view opening : {"<img src=\""sv, "<a href=\""sv}) {
        if (text.substr(0, opening.size()) == opening) {
            const std::size_t end = text.find('"', opening.size());
            return end == std::string_view::npos ? text : text.substr(opening.size(), end - opening.size());
        }
    }
    if (text.substr(0, 2) == "!["sv || text.substr(0, 1) == "["sv) {
        // The name's own brackets are escaped with '\'.
        for (std::size_t i = text[0] == '!' ? 2 : 1; i < text.size(); ++i) {
            if (text[i] == '\\') {
                ++i;
            } else if (text[i] == ']') {
                return text.substr(i + 1, 1) == "("sv ? Until(text, i + 2, ')') : text;
            }
        }
    }
    return text;
}

}  // namespace lumarind::cli
