#include "cli/OutputFormats.h"

#include <cwctype>

#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

using namespace std::string_view_literals;

bool IsImageType(std::wstring_view type) {
    constexpr std::wstring_view kImage = L"image/";
    if (type.size() < kImage.size()) return false;
    for (std::size_t i = 0; i < kImage.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(type[i])) != static_cast<wint_t>(kImage[i])) return false;
    }
    return true;
}

// The text from "at" up to the closing character; the text as it is when
// that never comes.
std::string_view Until(std::string_view text, std::size_t at, char closing) {
    const std::size_t end = text.find(closing, at);
    return end == std::string_view::npos ? text : text.substr(at, end - at);
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
        default: escaped += c;
        }
    }
    return escaped;
}

std::string EscapeMarkdown(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '[' || c == ']' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

Snippet SnippetAround(Format format, std::wstring_view contentType, std::wstring_view name) {
    const std::string shownName = ToUtf8(name);
    const bool image = IsImageType(contentType);
    switch (format) {
    case Format::kText:
    case Format::kLine:
        return {};
    case Format::kCss:
        return {"url(\"", "\")"};
    case Format::kHtml: {
        const std::string html = EscapeHtml(shownName);
        if (image) return {"<img src=\"", "\" alt=\"" + html + "\">"};
        return {"<a href=\"", "\" download=\"" + html + "\">" + html + "</a>"};
    }
    case Format::kMarkdown: {
        const std::string markdown = EscapeMarkdown(shownName);
        return {(image ? "![" : "[") + markdown + "](", ")"};
    }
    }
    return {};
}

std::string_view DataUrlInSnippet(std::string_view text) {
    for (const std::string_view opening : {"url(\""sv, "<img src=\""sv, "<a href=\""sv}) {
        if (text.substr(0, opening.size()) == opening) return Until(text, opening.size(), '"');
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
