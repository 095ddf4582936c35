#include "support/portable/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lumarind {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code units of 16 bits take a code beyond U+FFFF as a surrogate pair.
template <typename Unit>
void AppendCode(std::basic_string<Unit>& out, char32_t code) {
    if constexpr (sizeof(Unit) == 2) {
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<Unit>(0xD800 + (code >> 10));
            out += static_cast<Unit>(0xDC00 + (code & 0x3FF));
            return;
        }
    }
    out += static_cast<Unit>(code);
}

// A well-formed UTF-8 sequence: its length and the code point it carries.
// Length 0 where none starts: a stray or missing continuation byte, an
// overlong form, a surrogate or a code beyond U+10FFFF.
struct Sequence {
    std::size_t length;
    char32_t code;
};

Sequence SequenceAt(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) return {1, lead};
    const std::size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > bytes.size()) return {0, 0};
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next >> 6) != 2) return {0, 0};
        code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {0, 0};
    return {length, code};
}

template <typename Unit>
std::string ToUtf8Units(std::basic_string_view<Unit> text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = static_cast<char32_t>(text[i]);
        if (sizeof(Unit) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
            static_cast<char32_t>(text[i + 1]) >= 0xDC00 && static_cast<char32_t>(text[i + 1]) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            code = kReplacement;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

template <typename Unit>
std::basic_string<Unit> FromUtf8Units(std::string_view bytes) {
    std::basic_string<Unit> out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Sequence sequence = SequenceAt(bytes, i);
        if (sequence.length == 0) {
            AppendCode(out, kReplacement);
            ++i;
            continue;
        }
        AppendCode(out, sequence.code);
        i += sequence.length;
    }
    return out;
}

// Whether none of the 32 bytes at `at` is from 0x80 on.
inline bool IsAsciiBlock(const char* at) {
    std::uint64_t words[4];
    std::memcpy(words, at, sizeof words);
    return ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) { return ToUtf8Units(text); }
std::string ToUtf8(std::u16string_view text) { return ToUtf8Units(text); }
std::wstring FromUtf8(std::string_view bytes) { return FromUtf8Units<wchar_t>(bytes); }
std::u16string FromUtf8ToUtf16(std::string_view bytes) { return FromUtf8Units<char16_t>(bytes); }

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) { return SequenceAt(bytes, at).length; }

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        // Text is mostly ASCII: 32 bytes at a time while it is, then eight.
        if (at + 32 <= bytes.size() && IsAsciiBlock(bytes.data() + at)) {
            at += 32;
            continue;
        }
        std::uint64_t eight;
        if (at + 8 <= bytes.size() && (std::memcpy(&eight, bytes.data() + at, 8), (eight & 0x8080808080808080u) == 0)) {
            at += 8;
            continue;
        }
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool HasByteFrom0x80(std::string_view bytes) {
    std::uint64_t any = 0;
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, bytes.data() + at, 8);
        any |= eight;
    }
    for (; at < bytes.size(); ++at) any |= static_cast<unsigned char>(bytes[at]);
    return (any & 0x8080808080808080u) != 0;
}

void Utf8Checker::Feed(std::string_view bytes) {
    if (!valid_) return;
    if (carried_ != 0) {
        const std::size_t whole = LeadLength(static_cast<unsigned char>(carry_[0]));
        const std::size_t take = std::min(whole - carried_, bytes.size());
        bytes.copy(carry_ + carried_, take);
        carried_ += take;
        bytes.remove_prefix(take);
        if (carried_ < whole) return;
        valid_ = Utf8SequenceLength({carry_, carried_}, 0) == carried_;
        carried_ = 0;
        if (!valid_) return;
    }
    // A sequence cut by the end of the piece waits for the next one.
    std::size_t cut = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80) continue;
        if (LeadLength(c) > back) cut = bytes.size() - back;
        break;
    }
    valid_ = IsValidUtf8(bytes.substr(0, cut));
    carried_ = bytes.copy(carry_, bytes.size() - cut, cut);
}

std::size_t Utf8Checker::LeadLength(unsigned char lead) {
    return lead >= 0xF0 && lead <= 0xF7 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

}  // namespace lumarind
