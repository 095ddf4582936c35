#include "cli/MediaType.h"

#include "support/portable/AsciiText.h"

namespace lumarind::cli {
namespace {

constexpr std::wstring_view kSpecials = L"()<>@,;:\\\"/[]?=";

bool IsTokenCharacter(wchar_t c) { return c > 0x20 && c < 0x7F && kSpecials.find(c) == std::wstring_view::npos; }

// Printable ASCII: what a quoted string may hold besides its quotes. Not a
// tab, ',' or ';' though RFC 2045 allows them: URL parsers drop tabs, a data
// URL's type ends at its first ',', and browsers end a parameter at ';' even
// inside quotes.
bool IsQuotable(wchar_t c) { return c >= 0x20 && c < 0x7F && c != ',' && c != ';'; }

bool IsBlank(wchar_t c) { return c == ' ' || c == '\t'; }

struct ParsedType {
    std::wstring normalised;
    bool hasCharset = false;
};

// Reads a media type from the start; empty when the text is not one.
class TypeReader {
public:
    explicit TypeReader(std::wstring_view text) : text_(TrimAsciiSpace(text)) {}

    std::optional<ParsedType> Read() {
        ParsedType type;
        if (!Token() || !Take('/') || !Token()) return std::nullopt;
        type.normalised = text_.substr(0, at_);
        for (;;) {
            SkipBlanks();
            if (at_ == text_.size()) return type;
            if (!Take(';')) return std::nullopt;
            SkipBlanks();
            const std::size_t name = at_;
            if (!Token()) return std::nullopt;
            const std::wstring_view parameterName = text_.substr(name, at_ - name);
            if (!Take('=')) return std::nullopt;
            if (!Token() && !QuotedString()) return std::nullopt;
            type.normalised += L';';
            type.normalised += text_.substr(name, at_ - name);
            type.hasCharset = type.hasCharset || MediaTypeEssence(parameterName) == L"charset";
        }
    }

private:
    bool Token() {
        const std::size_t start = at_;
        while (at_ < text_.size() && IsTokenCharacter(text_[at_])) ++at_;
        return at_ > start;
    }
    bool QuotedString() {
        if (!Take('"')) return false;
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] == '\\') ++at_;
            if (at_ >= text_.size() || !IsQuotable(text_[at_])) return false;
            ++at_;
        }
        return Take('"');
    }
    bool Take(wchar_t c) {
        if (at_ == text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    void SkipBlanks() {
        while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
    }

    std::wstring_view text_;
    std::size_t at_ = 0;
};

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

bool IsToken(std::wstring_view text) {
    for (const wchar_t c : text) {
        if (!IsTokenCharacter(c)) return false;
    }
    return !text.empty();
}

std::optional<std::wstring> NormalisedMediaType(std::wstring_view text) {
    if (TrimAsciiSpace(text).empty()) return std::wstring();
    std::optional<ParsedType> type = TypeReader(text).Read();
    if (!type) return std::nullopt;
    return std::move(type->normalised);
}

std::wstring MediaTypeEssence(std::wstring_view type) {
    std::wstring essence(TrimAsciiSpace(type.substr(0, type.find(L';'))));
    for (wchar_t& c : essence) c = AsciiLower(c);
    return essence;
}

bool IsImageType(std::wstring_view type) { return StartsWith(MediaTypeEssence(type), L"image/"); }

bool IsAudioOrVideoType(std::wstring_view type) {
    const std::wstring essence = MediaTypeEssence(type);
    return StartsWith(essence, L"audio/") || StartsWith(essence, L"video/");
}

bool IsTextualType(std::wstring_view type) {
    const std::wstring essence = MediaTypeEssence(type);
    return StartsWith(essence, L"text/") || essence == L"image/svg+xml" || essence == L"application/json" ||
           essence == L"application/xml" || essence == L"application/javascript" || EndsWith(essence, L"+xml") ||
           EndsWith(essence, L"+json");
}

bool HasCharsetParameter(std::wstring_view type) {
    const std::optional<ParsedType> parsed = TypeReader(type).Read();
    return parsed && parsed->hasCharset;
}

std::wstring WithCharset(std::wstring_view type, std::wstring_view charset) {
    std::wstring typed(type);
    if (!charset.empty()) typed.append(L";charset=").append(charset);
    return typed;
}

}  // namespace lumarind::cli
