#include "builder/SnippetEscapes.h"

#include <cstdint>
#include <string_view>

namespace lumarind {
namespace {

bool IsHex(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
int HexValue(unsigned char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }
bool IsAlnum(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }
bool IsAsciiPunctuation(unsigned char c) {
    return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
}

UrlCharacter Byte(unsigned char c, std::size_t used) {
    UrlCharacter character;
    character.used = used;
    character.bytes[0] = c;
    character.count = 1;
    return character;
}

UrlCharacter Nothing(std::size_t used) {
    UrlCharacter character;
    character.used = used;
    return character;
}

UrlCharacter Special(UrlCharacter::Kind kind) {
    UrlCharacter character;
    character.kind = kind;
    return character;
}

// A code point in UTF-8; the ones no text may hold become U+FFFD.
UrlCharacter CodePoint(std::uint32_t point, std::size_t used) {
    if (point == 0 || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) point = 0xFFFD;
    UrlCharacter character;
    character.used = used;
    unsigned char* out = character.bytes;
    if (point < 0x80) {
        *out++ = static_cast<unsigned char>(point);
    } else if (point < 0x800) {
        *out++ = static_cast<unsigned char>(0xC0 | (point >> 6));
        *out++ = static_cast<unsigned char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        *out++ = static_cast<unsigned char>(0xE0 | (point >> 12));
        *out++ = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (point & 0x3F));
    } else {
        *out++ = static_cast<unsigned char>(0xF0 | (point >> 18));
        *out++ = static_cast<unsigned char>(0x80 | ((point >> 12) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (point & 0x3F));
    }
    character.count = static_cast<int>(out - character.bytes);
    return character;
}

// A CSS escape after its backslash: up to six hex digits and one white
// space after them, a line break (nothing, in a string), or the character itself.
UrlCharacter CssEscape(const char* at, const char* end, bool last, bool inString) {
    const char* p = at + 1;
    if (p == end) return last ? Nothing(1) : Special(UrlCharacter::kNeedMore);
    const auto next = static_cast<unsigned char>(*p);
    if (next == '\n' || next == '\r' || next == '\f') {
        if (!inString) return Special(UrlCharacter::kEnd);
        if (next == '\r' && p + 1 == end && !last) return Special(UrlCharacter::kNeedMore);
        return Nothing(next == '\r' && p + 1 < end && p[1] == '\n' ? 3 : 2);
    }
    if (!IsHex(next)) return Byte(next, 2);
    std::uint32_t point = 0;
    int digits = 0;
    for (; digits < 6 && p < end && IsHex(static_cast<unsigned char>(*p)); ++digits, ++p) {
        point = point * 16 + static_cast<std::uint32_t>(HexValue(static_cast<unsigned char>(*p)));
    }
    // The digits and the white space after them must all be in sight.
    if (p + 2 > end && !last) return Special(UrlCharacter::kNeedMore);
    if (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\f')) {
        ++p;
    } else if (p < end && *p == '\r') {
        p += p + 1 < end && p[1] == '\n' ? 2 : 1;
    }
    return CodePoint(point, static_cast<std::size_t>(p - at));
}

struct NamedReference {
    std::string_view name;
    std::uint32_t point;
};

// The references that stand for ASCII punctuation, and a few common others.
constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'},     {"lt", '<'},       {"gt", '>'},      {"quot", '"'},    {"apos", '\''},  {"nbsp", 0xA0},
    {"Tab", '\t'},    {"NewLine", '\n'}, {"excl", '!'},    {"num", '#'},     {"dollar", '$'}, {"percnt", '%'},
    {"lpar", '('},    {"rpar", ')'},     {"ast", '*'},     {"plus", '+'},    {"comma", ','},  {"period", '.'},
    {"sol", '/'},     {"colon", ':'},    {"semi", ';'},    {"equals", '='},  {"quest", '?'},  {"commat", '@'},
    {"lsqb", '['},    {"bsol", '\\'},    {"rsqb", ']'},    {"Hat", '^'},     {"lowbar", '_'}, {"grave", '`'},
    {"lcub", '{'},    {"verbar", '|'},   {"rcub", '}'},    {"copy", 0xA9},   {"reg", 0xAE},   {"AMP", '&'},
    {"LT", '<'},      {"GT", '>'},       {"QUOT", '"'},
};

// What the HTML parser makes of numeric references to the C1 controls: the
// windows-1252 characters in their place.
constexpr std::uint16_t kWindows1252[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// A character reference after its '&': numeric or named; in HTML the ';'
// may be missing where the parser forgives it, in CommonMark never.
UrlCharacter Reference(const char* at, const char* end, bool last, bool html) {
    const char* p = at + 1;
    const auto ampersand = Byte('&', 1);
    // How far a reference may reach before it is known.
    if (static_cast<std::size_t>(end - at) < kMostEscapeLength && !last) return Special(UrlCharacter::kNeedMore);
    if (p < end && *p == '#') {
        ++p;
        const bool hex = p < end && (*p | 0x20) == 'x';
        if (hex) ++p;
        std::uint32_t point = 0;
        const char* digits = p;
        for (; p < end && (hex ? IsHex(static_cast<unsigned char>(*p)) : (*p >= '0' && *p <= '9')); ++p) {
            if (point <= 0x10FFFF) point = point * (hex ? 16 : 10) + static_cast<std::uint32_t>(HexValue(static_cast<unsigned char>(*p)));
        }
        if (p == digits) return ampersand;
        if (p < end && *p == ';') {
            ++p;
        } else if (!html) {
            return ampersand;
        }
        if (html && point >= 0x80 && point <= 0x9F) point = kWindows1252[point - 0x80];
        return CodePoint(point, static_cast<std::size_t>(p - at));
    }
    const char* name = p;
    while (p < end && IsAlnum(static_cast<unsigned char>(*p))) ++p;
    const std::string_view word(name, static_cast<std::size_t>(p - name));
    const bool semicolon = p < end && *p == ';';
    for (const NamedReference& reference : kNamedReferences) {
        if (word == reference.name && semicolon) return CodePoint(reference.point, word.size() + 2);
    }
    if (html) {
        // The four the parser takes without ';', unless a letter, digit or
        // '=' follows, as in an attribute value.
        for (const NamedReference& reference : kNamedReferences) {
            const std::string_view legacy = reference.name;
            if (legacy != "amp" && legacy != "lt" && legacy != "gt" && legacy != "quot") continue;
            if (word.substr(0, legacy.size()) != legacy) continue;
            const char* after = name + legacy.size();
            if (after < end && (IsAlnum(static_cast<unsigned char>(*after)) || *after == '=')) continue;
            return CodePoint(reference.point, legacy.size() + 1);
        }
    }
    return ampersand;
}

// A JSON escape after its backslash.
UrlCharacter JsonEscape(const char* at, const char* end, bool last) {
    if (end - at < 6 && !last) return Special(UrlCharacter::kNeedMore);
    if (at + 1 == end) return Special(UrlCharacter::kEnd);
    switch (at[1]) {
    case 'b': return Byte('\b', 2);
    case 'f': return Byte('\f', 2);
    case 'n': return Byte('\n', 2);
    case 'r': return Byte('\r', 2);
    case 't': return Byte('\t', 2);
    case 'u': {
        std::uint32_t point = 0;
        for (int i = 2; i < 6; ++i) {
            if (at + i >= end || !IsHex(static_cast<unsigned char>(at[i]))) return Special(UrlCharacter::kEnd);
            point = point * 16 + static_cast<std::uint32_t>(HexValue(static_cast<unsigned char>(at[i])));
        }
        return CodePoint(point, 6);
    }
    default: return Byte(static_cast<unsigned char>(at[1]), 2);
    }
}

bool IsCssSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsHtmlSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

bool IsPlainInEveryWrapper(unsigned char c) {
    constexpr std::string_view kPlain = "+-./_~!$*,=:;?@%";
    return IsAlnum(c) || c >= 0x80 || kPlain.find(static_cast<char>(c)) != std::string_view::npos;
}

UrlCharacter ReadUrlCharacter(Wrapper& wrapper, const char* at, const char* end, bool last) {
    const auto c = static_cast<unsigned char>(*at);
    switch (wrapper.kind) {
    case Wrapping::kBare:
        return Byte(c, 1);
    case Wrapping::kCssString:
        if (c == static_cast<unsigned char>(wrapper.quote) || c == '\n' || c == '\r' || c == '\f') {
            return Special(UrlCharacter::kEnd);
        }
        return c == '\\' ? CssEscape(at, end, last, true) : Byte(c, 1);
    case Wrapping::kCssUrl:
        if (c == ')' || IsCssSpace(c) || c == '"' || c == '\'' || c == '(' || c < 0x09 || c == 0x0B ||
            (c >= 0x0E && c < 0x20) || c == 0x7F) {
            return Special(UrlCharacter::kEnd);
        }
        return c == '\\' ? CssEscape(at, end, last, false) : Byte(c, 1);
    case Wrapping::kHtmlValue:
        if (c == static_cast<unsigned char>(wrapper.quote)) return Special(UrlCharacter::kEnd);
        return c == '&' ? Reference(at, end, last, true) : Byte(c, 1);
    case Wrapping::kHtmlUnquoted:
        if (IsHtmlSpace(c) || c == '>') return Special(UrlCharacter::kEnd);
        return c == '&' ? Reference(at, end, last, true) : Byte(c, 1);
    case Wrapping::kJsonString:
        if (c == '"' || c < 0x20) return Special(UrlCharacter::kEnd);
        return c == '\\' ? JsonEscape(at, end, last) : Byte(c, 1);
    case Wrapping::kBareText:
        if (c <= ' ' || c == '"' || c == '\'' || c == '<' || c == '>' || c == '`' || c == ')' || c == 0x7F) {
            return Special(UrlCharacter::kEnd);
        }
        return Byte(c, 1);
    case Wrapping::kMarkdown:
    case Wrapping::kMarkdownPointy: {
        const bool pointy = wrapper.kind == Wrapping::kMarkdownPointy;
        if (c == '\\') {
            if (at + 1 == end && !last) return Special(UrlCharacter::kNeedMore);
            if (at + 1 < end && IsAsciiPunctuation(static_cast<unsigned char>(at[1]))) {
                return Byte(static_cast<unsigned char>(at[1]), 2);
            }
            return Byte(c, 1);
        }
        if (c == '&') return Reference(at, end, last, false);
        if (pointy) {
            if (c == '>' || c == '<' || c == '\n' || c == '\r') return Special(UrlCharacter::kEnd);
            return Byte(c, 1);
        }
        if (c <= ' ' || c == 0x7F) return Special(UrlCharacter::kEnd);
        if (c == '(') ++wrapper.depth;
        if (c == ')') {
            if (wrapper.depth == 0) return Special(UrlCharacter::kEnd);
            --wrapper.depth;
        }
        return Byte(c, 1);
    }
    }
    return Byte(c, 1);
}

}  // namespace lumarind
