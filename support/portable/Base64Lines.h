// The one Base64 encoder of the program, for any character type: the window
// encodes into 16-bit text, the command-line tool straight into bytes.
// Standard alphabet, '=' padding; lines of kBase64LineLength characters
// joined by CR LF, or a single line.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumarind::base64 {

inline constexpr std::size_t kLineLength = 76;
inline constexpr std::size_t kBytesPerLine = kLineLength / 4 * 3;

enum class Lines { kBroken, kSingle };

inline std::size_t EncodedLength(std::size_t byteCount, Lines lines) {
    if (byteCount == 0) return 0;
    const std::size_t characters = (byteCount + 2) / 3 * 4;
    if (lines == Lines::kSingle) return characters;
    const std::size_t lineCount = (characters + kLineLength - 1) / kLineLength;
    return characters + 2 * (lineCount - 1);
}

namespace detail {

inline constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

template <typename Char>
Char* EncodeRun(const unsigned char* in, std::size_t count, Char* out) {
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const std::uint32_t group = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
        out[0] = static_cast<Char>(kAlphabet[group >> 18]);
        out[1] = static_cast<Char>(kAlphabet[(group >> 12) & 63]);
        out[2] = static_cast<Char>(kAlphabet[(group >> 6) & 63]);
        out[3] = static_cast<Char>(kAlphabet[group & 63]);
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
template <typename Char>
Char* Encode(const void* data, std::size_t count, Lines lines, Char* out) {
    const auto* in = static_cast<const unsigned char*>(data);
    if (lines == Lines::kSingle) return detail::EncodeRun(in, count, out);
    for (std::size_t done = 0; done < count; done += kBytesPerLine) {
        if (done != 0) {
            *out++ = static_cast<Char>('\r');
            *out++ = static_cast<Char>('\n');
        }
        const std::size_t run = count - done < kBytesPerLine ? count - done : kBytesPerLine;
        out = detail::EncodeRun(in + done, run, out);
    }
    return out;
}

}  // namespace lumarind::base64
