// The one Base64 encoder of the program, for any character type: the window
// encodes into 16-bit text, the command-line tool straight into bytes.
// Standard alphabet, '=' padding; lines of kLineLength characters
// joined by CR LF, or a single line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/Base64Blocks.h"

namespace lumarind::base64 {

inline std::size_t EncodedLength(std::size_t byteCount, Lines lines) {
    if (byteCount == 0) return 0;
    const std::size_t characters = (byteCount + 2) / 3 * 4;
    if (lines == Lines::kSingle) return characters;
    const std::size_t lineCount = (characters + kLineLength - 1) / kLineLength;
    return characters + 2 * (lineCount - 1);
}

namespace detail {

inline constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every 12-bit value as its two characters, so that three bytes cost two
// look-ups and two stores.
template <typename Char>
struct PairTable {
    Char pairs[4096][2];
    constexpr PairTable() : pairs() {
        for (int i = 0; i < 4096; ++i) {
            pairs[i][0] = static_cast<Char>(kAlphabet[i >> 6]);
            pairs[i][1] = static_cast<Char>(kAlphabet[i & 63]);
        }
    }
};

template <typename Char>
inline constexpr PairTable<Char> kPairs{};

template <typename Char>
Char* EncodeRun(const unsigned char* in, std::size_t count, Char* out) {
    const auto& pairs = kPairs<Char>.pairs;
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const std::uint32_t group = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
        std::memcpy(out, pairs[group >> 12], 2 * sizeof(Char));
        std::memcpy(out + 2, pairs[group & 0xFFF], 2 * sizeof(Char));
        out += 4;
    }
    const std::size_t rest = count - i;
    if (rest != 0) {
        const std::uint32_t group = (std::uint32_t{in[i]} << 16) | (rest == 2 ? std::uint32_t{in[i + 1]} << 8 : 0);
        out[0] = static_cast<Char>(kAlphabet[group >> 18]);
        out[1] = static_cast<Char>(kAlphabet[(group >> 12) & 63]);
        out[2] = rest == 2 ? static_cast<Char>(kAlphabet[(group >> 6) & 63]) : static_cast<Char>('=');
        out[3] = static_cast<Char>('=');
        out += 4;
    }
    return out;
}

}  // namespace detail

// Writes EncodedLength(count, lines) characters at out; returns their end.
// Bytes are written straight by the best kernel; wider characters go through
// a small byte buffer that stays in the cache, a block of lines at a time.
template <typename Char>
Char* Encode(const void* data, std::size_t count, Lines lines, Char* out) {
    const auto* in = static_cast<const unsigned char*>(data);
    if constexpr (sizeof(Char) == 1) {
        return reinterpret_cast<Char*>(EncodeBytes(in, count, lines, reinterpret_cast<unsigned char*>(out)));
    }
    constexpr std::size_t kLinesPerBlock = 64;
    unsigned char block[kLinesPerBlock * kLineLength];
    const std::size_t wholeLines = count / kBytesPerLine;
    bool first = true;
    for (std::size_t line = 0; line < wholeLines;) {
        const std::size_t n = wholeLines - line < kLinesPerBlock ? wholeLines - line : kLinesPerBlock;
        EncodeWholeLines(in + line * kBytesPerLine, n, block);
        for (std::size_t k = 0; k < n; ++k) {
            if (lines == Lines::kBroken && !first) {
                *out++ = static_cast<Char>('\r');
                *out++ = static_cast<Char>('\n');
            }
            first = false;
            const unsigned char* characters = block + k * kLineLength;
            for (std::size_t c = 0; c < kLineLength; ++c) out[c] = static_cast<Char>(characters[c]);
            out += kLineLength;
        }
        line += n;
    }
    const std::size_t rest = count - wholeLines * kBytesPerLine;
    if (rest != 0) {
        if (lines == Lines::kBroken && !first) {
            *out++ = static_cast<Char>('\r');
            *out++ = static_cast<Char>('\n');
        }
        out = detail::EncodeRun(in + wholeLines * kBytesPerLine, rest, out);
    }
    return out;
}

}  // namespace lumarind::base64
