// An independent Base64 decoder and a plain one-group-at-a-time encoder for
// checking the program's output. Written from RFC 4648 without looking at
// the program's encoder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumarind::testing {

// Decodes Base64 text, skipping CR and LF; nullopt for anything malformed.
inline std::optional<std::string> DecodeBase64(std::wstring_view text) {
    auto value = [](wchar_t c) -> int {
        if (c >= L'A' && c <= L'Z') return c - L'A';
        if (c >= L'a' && c <= L'z') return c - L'a' + 26;
        if (c >= L'0' && c <= L'9') return c - L'0' + 52;
        if (c == L'+') return 62;
        if (c == L'/') return 63;
        return -1;
    };
    std::wstring compact;
    for (wchar_t c : text) {
        if (c != L'\r' && c != L'\n') compact += c;
    }
    if (compact.size() % 4 != 0) return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < compact.size(); i += 4) {
        const bool last = i + 4 == compact.size();
        int v[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const wchar_t c = compact[i + k];
            if (c == L'=' && last && k >= 2) {
                ++padding;
                v[k] = 0;
                continue;
            }
            if (padding != 0) return std::nullopt;
            v[k] = value(c);
            if (v[k] < 0) return std::nullopt;
        }
        const unsigned group = (unsigned(v[0]) << 18) | (unsigned(v[1]) << 12) | (unsigned(v[2]) << 6) | unsigned(v[3]);
        bytes += static_cast<char>((group >> 16) & 0xFF);
        if (padding < 2) bytes += static_cast<char>((group >> 8) & 0xFF);
        if (padding < 1) bytes += static_cast<char>(group & 0xFF);
    }
    return bytes;
}

// The expected multi-line Base64: 76-character lines joined by CR LF.
inline std::wstring EncodeBase64Lines(std::string_view bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::wstring flat;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            flat += k <= n ? static_cast<wchar_t>(alphabet[(group >> (18 - 6 * k)) & 63]) : L'=';
        }
    }
    std::wstring lines;
    for (std::size_t i = 0; i < flat.size(); i += 76) {
        if (i != 0) lines += L"\r\n";
        lines += flat.substr(i, 76);
    }
    return lines;
}

}  // namespace lumarind::testing
