#include "cli/PercentEncoding.h"

#include <array>

namespace lumarind::cli {
namespace {

constexpr std::string_view kKeptPunctuation = "-._~!$*+,;=:@/?";

constexpr std::array<bool, 256> KeptBytes() {
    std::array<bool, 256> kept{};
    for (int c = 'A'; c <= 'Z'; ++c) kept[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) kept[c] = true;
    for (int c = '0'; c <= '9'; ++c) kept[c] = true;
    for (const char c : kKeptPunctuation) kept[static_cast<unsigned char>(c)] = true;
    return kept;
}

constexpr std::array<bool, 256> kKept = KeptBytes();
constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

bool IsKeptInPercentForm(unsigned char byte) { return kKept[byte]; }

std::size_t PercentEncodedLength(std::string_view bytes) {
    std::size_t encoded = 0;
    for (const char c : bytes) encoded += !kKept[static_cast<unsigned char>(c)];
    return bytes.size() + 2 * encoded;
}

char* PercentEscape(char c, char* out) {
    const auto byte = static_cast<unsigned char>(c);
    out[0] = '%';
    out[1] = kHexDigits[byte >> 4];
    out[2] = kHexDigits[byte & 15];
    return out + 3;
}

char* PercentEncode(std::string_view bytes, char* out) {
    for (const char c : bytes) {
        if (kKept[static_cast<unsigned char>(c)]) {
            *out++ = c;
        } else {
            out = PercentEscape(c, out);
        }
    }
    return out;
}

bool HasByteFrom0x80(std::string_view bytes) {
    unsigned char any = 0;
    for (const char c : bytes) any |= static_cast<unsigned char>(c);
    return (any & 0x80) != 0;
}

}  // namespace lumarind::cli
