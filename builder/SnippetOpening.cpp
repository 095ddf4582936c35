#include "builder/SnippetOpening.h"

#include "support/portable/AsciiText.h"

namespace lumarind {
namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != prefix[i]) return false;
    }
    return true;
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view word, std::size_t from = 0) {
    for (std::size_t i = from; i + word.size() <= text.size(); ++i) {
        if (StartsWithIgnoringCase(text.substr(i), word)) return i;
    }
    return std::string_view::npos;
}

std::size_t SkipSpace(std::string_view text, std::size_t i) {
    while (i < text.size() && IsAsciiSpace(text[i])) ++i;
    return i;
}

bool IsNameCharacter(char c) {
    return !IsAsciiSpace(c) && c != '=' && c != '>' && c != '/' && c != '"' && c != '\'' && c != '<';
}

SnippetOpening HtmlOpening(std::string_view text) {
    std::size_t i = 1;
    std::string tag;
    while (i < text.size() && IsNameCharacter(text[i])) tag += AsciiLower(text[i++]);
    if (tag.empty()) return {};
    for (;;) {
        while (i < text.size() && (IsAsciiSpace(text[i]) || text[i] == '/')) ++i;
        if (i >= text.size() || text[i] == '>') return {};
        std::string name;
        while (i < text.size() && IsNameCharacter(text[i])) name += AsciiLower(text[i++]);
        if (name.empty()) return {};
        i = SkipSpace(text, i);
        if (i >= text.size() || text[i] != '=') continue;
        i = SkipSpace(text, i + 1);
        if (i >= text.size()) return {};
        const bool url = name == "src" || name == "href";
        if (text[i] == '"' || text[i] == '\'') {
            const char quote = text[i];
            if (url) return {{Wrapping::kHtmlValue, quote}, i + 1, tag};
            const std::size_t closing = text.find(quote, i + 1);
            if (closing == std::string_view::npos) return {};
            i = closing + 1;
        } else {
            if (url) return {{Wrapping::kHtmlUnquoted}, i, tag};
            while (i < text.size() && !IsAsciiSpace(text[i]) && text[i] != '>') ++i;
        }
    }
}

SnippetOpening MarkdownOpening(std::string_view text) {
    std::size_t i = text[0] == '!' ? 2 : 1;
    int depth = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '[') {
            ++depth;
        } else if (text[i] == ']') {
            if (depth-- == 0) break;
        }
    }
    if (i + 1 >= text.size() || text[i + 1] != '(') return {};
    i += 2;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '<') return {{Wrapping::kMarkdownPointy}, i + 1, {}};
    return {{Wrapping::kMarkdown}, i, {}};
}

bool IsVoidElement(const std::string& tag) {
    for (const char* name : {"img", "input", "source", "embed", "link", "track", "image", "area", "base", "meta"}) {
        if (tag == name) return true;
    }
    return false;
}

// Where a Markdown link's optional title and its ')' end, or npos.
std::size_t MarkdownLinkEnd(std::string_view text, std::size_t i) {
    i = SkipSpace(text, i);
    if (i < text.size() && (text[i] == '"' || text[i] == '\'' || text[i] == '(')) {
        const char closing = text[i] == '(' ? ')' : text[i];
        for (++i; i < text.size() && text[i] != closing; ++i) {
            if (text[i] == '\\') ++i;
        }
        if (i >= text.size()) return std::string_view::npos;
        i = SkipSpace(text, i + 1);
    }
    return i < text.size() && text[i] == ')' ? i + 1 : std::string_view::npos;
}

// Where an HTML tag's text after the URL's value ends, with the element's
// content and end tag, or npos.
std::size_t HtmlElementEnd(std::string_view text, std::size_t i, const std::string& tag) {
    while (i < text.size() && text[i] != '>') {
        if (text[i] == '"' || text[i] == '\'') {
            i = text.find(text[i], i + 1);
            if (i == std::string_view::npos) return i;
        }
        ++i;
    }
    if (i >= text.size()) return std::string_view::npos;
    ++i;
    if (IsVoidElement(tag) || SkipSpace(text, i) == text.size()) return i;
    const std::size_t endTag = FindIgnoringCase(text, "</" + tag, i);
    if (endTag == std::string_view::npos || text.substr(i, endTag - i).find('<') != std::string_view::npos) {
        return std::string_view::npos;
    }
    i = SkipSpace(text, endTag + 2 + tag.size());
    return i < text.size() && text[i] == '>' ? i + 1 : std::string_view::npos;
}

}  // namespace

SnippetOpening OpeningAt(std::string_view text) {
    if (StartsWithIgnoringCase(text, "url(")) {
        const std::size_t i = SkipSpace(text, 4);
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) return {{Wrapping::kCssString, text[i]}, i + 1, {}};
        return {{Wrapping::kCssUrl}, i, {}};
    }
    if (StartsWith(text, "<")) return HtmlOpening(text);
    if (StartsWith(text, "[") || StartsWith(text, "![")) return MarkdownOpening(text);
    return {};
}

void CheckSnippetEnd(const SnippetOpening& opening, std::string_view after, const TextPlace& at) {
    std::size_t i = 0;
    bool closed = false;
    switch (opening.wrapper.kind) {
    case Wrapping::kBare:
    case Wrapping::kJsonString:
    case Wrapping::kBareText:
        closed = true;
        break;
    case Wrapping::kCssString:
    case Wrapping::kCssUrl:
        i = SkipSpace(after, opening.wrapper.kind == Wrapping::kCssString ? 1 : 0);
        closed = i < after.size() && after[i] == ')';
        ++i;
        break;
    case Wrapping::kHtmlValue:
    case Wrapping::kHtmlUnquoted:
        i = HtmlElementEnd(after, opening.wrapper.kind == Wrapping::kHtmlValue ? 1 : 0, opening.tag);
        closed = i != std::string_view::npos;
        break;
    case Wrapping::kMarkdown:
    case Wrapping::kMarkdownPointy:
        i = MarkdownLinkEnd(after, opening.wrapper.kind == Wrapping::kMarkdownPointy ? 1 : 0);
        closed = i != std::string_view::npos;
        break;
    }
    if (closed) i = SkipSpace(after, i);
    if (closed && i >= after.size()) return;
    const std::size_t second = FindIgnoringCase(after, "data:");
    const std::size_t where = second != std::string_view::npos ? second : closed ? i : SkipSpace(after, 0);
    TextPlace place = at;
    place.Advance(after.data(), where);
    ThrowFault(second != std::string_view::npos ? faults::kSecondDataUrl
               : after.empty()                   ? faults::kUnclosed
                                                 : faults::kTextAfter,
               place);
}

}  // namespace lumarind
