// The percent form's inner loops, one set per instruction set: sixteen bytes
// at a time with SSSE3, or with AVX-512 VBMI2, which spreads and compacts
// the characters in one register. The processor is asked once which it
// runs. Callers finish what these leave with the portable loops; the output
// is the same either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/PercentEncoding.h"

namespace lumarind::percent {

// Whether a byte stands as itself in the place's percent form (see
// PercentPlace).
constexpr bool IsKept(PercentPlace place, unsigned char byte) {
    if (byte < 0x20 || byte >= 0x7F || byte == '%' || byte == '#' || byte == ';') return false;
    const char c = static_cast<char>(byte);
    const bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    switch (place) {
    case PercentPlace::kBareUrl:
        return alphanumeric || std::string_view("-._~!$&'()*+,=:@/?").find(c) != std::string_view::npos;
    case PercentPlace::kCssString:
        return c != '"' && c != '\\';
    case PercentPlace::kHtmlAttribute:
        return c != '"' && c != '&';
    case PercentPlace::kMarkdown:
        return c != ' ' && c != '\\' && c != '&' && c != '(' && c != ')';
    }
    return false;
}

namespace detail {
struct NibbleTables;
}

struct Kernel {
    const char* name;
    // True when this processor and its system can run it.
    bool (*available)();
    // How many bytes are not kept among the first count / 16 * 16.
    std::size_t (*countEncoded)(const detail::NibbleTables& kept, const unsigned char* in, std::size_t count);
    // Encodes from in while enough bytes remain that no store passes the end
    // of the whole output; moves in past what it encoded and returns the
    // output's new end.
    char* (*encode)(const detail::NibbleTables& kept, const unsigned char*& in, const unsigned char* end, char* out);
};

extern const Kernel kSsse3Kernel;
extern const Kernel kAvx512Vbmi2Kernel;

// Every kernel of the build, the fastest last.
inline const Kernel* const kKernels[] = {&kSsse3Kernel, &kAvx512Vbmi2Kernel};

// The fastest kernel this processor runs; null when it runs none.
const Kernel* BestKernel();

namespace detail {

// A byte is kept when the bit of its high nibble is set in the entry of its
// low nibble: one table lookup per nibble classifies sixteen bytes.
struct NibbleTables {
    std::uint8_t low[16];
    std::uint8_t high[16];
};

constexpr NibbleTables MakeNibbleTables(PercentPlace place) {
    NibbleTables tables{};
    for (int byte = 0; byte < 128; ++byte) {
        if (IsKept(place, static_cast<unsigned char>(byte))) {
            tables.low[byte & 15] |= static_cast<std::uint8_t>(1 << (byte >> 4));
        }
    }
    for (int high = 0; high < 8; ++high) tables.high[high] = static_cast<std::uint8_t>(1 << high);
    return tables;
}

inline constexpr NibbleTables kNibbles[kPercentPlaces] = {
    MakeNibbleTables(PercentPlace::kBareUrl), MakeNibbleTables(PercentPlace::kCssString),
    MakeNibbleTables(PercentPlace::kHtmlAttribute), MakeNibbleTables(PercentPlace::kMarkdown)};

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The SSSE3 loop, which the wider kernel also ends with.
char* EncodeSsse3(const NibbleTables& kept, const unsigned char*& in, const unsigned char* end, char* out);
std::size_t CountEncodedSsse3(const NibbleTables& kept, const unsigned char* in, std::size_t count);
}  // namespace detail

inline const detail::NibbleTables& NibblesFor(PercentPlace place) { return detail::kNibbles[static_cast<int>(place)]; }

}  // namespace lumarind::percent
