#include "codecs/PercentBlocks.h"

#include <immintrin.h>

#include <array>
#include <cstdint>

#include "codecs/CpuFeatures.h"

namespace lumarind::percent {
namespace {

// Eight bytes become their output by two shuffles. A holds each byte's
// first character (itself or '%') in 0-7 and its high hex digit in 8-15, B
// its low hex digit in 0-7; the entry for the eight bytes' kept mask picks,
// for each output position, a byte of A or of B (0x80 picks nothing).
struct Expansion {
    std::uint8_t fromA[32];
    std::uint8_t fromB[32];
    std::uint8_t length;
};

constexpr std::array<Expansion, 256> MakeExpansions() {
    std::array<Expansion, 256> expansions{};
    for (int mask = 0; mask < 256; ++mask) {
        Expansion& e = expansions[mask];
        for (int k = 0; k < 32; ++k) e.fromA[k] = e.fromB[k] = 0x80;
        int at = 0;
        for (int i = 0; i < 8; ++i) {
            e.fromA[at++] = static_cast<std::uint8_t>(i);
            if ((mask >> i & 1) == 0) {
                e.fromA[at++] = static_cast<std::uint8_t>(8 + i);
                e.fromB[at++] = static_cast<std::uint8_t>(i);
            }
        }
        e.length = static_cast<std::uint8_t>(at);
    }
    return expansions;
}

constexpr std::array<Expansion, 256> kExpansions = MakeExpansions();

__attribute__((target("ssse3"))) inline __m128i KeptMask(__m128i bytes, __m128i low, __m128i high) {
    const __m128i lowNibbles = _mm_and_si128(bytes, _mm_set1_epi8(0x0F));
    const __m128i highNibbles = _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F));
    const __m128i bits = _mm_and_si128(_mm_shuffle_epi8(low, lowNibbles), _mm_shuffle_epi8(high, highNibbles));
    return _mm_xor_si128(_mm_cmpeq_epi8(bits, _mm_setzero_si128()), _mm_set1_epi8(-1));
}

__attribute__((target("ssse3"))) inline char* ExpandEight(__m128i a, __m128i b, unsigned mask, char* out) {
    const Expansion& e = kExpansions[mask];
    for (int half = 0; half < 2; ++half) {
        const __m128i fromA = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e.fromA + 16 * half));
        const __m128i fromB = _mm_loadu_si128(reinterpret_cast<const __m128i*>(e.fromB + 16 * half));
        const __m128i part = _mm_or_si128(_mm_shuffle_epi8(a, fromA), _mm_shuffle_epi8(b, fromB));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * half), part);
    }
    return out + e.length;
}

bool Ssse3Available() { return ThisCpu().ssse3; }

}  // namespace

namespace detail {

__attribute__((target("ssse3"))) std::size_t CountEncodedSsse3(const NibbleTables& keptTables, const unsigned char* in,
                                                               std::size_t count) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keptTables.low));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keptTables.high));
    std::size_t encoded = 0;
    for (std::size_t at = 0; at + 16 <= count; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        const auto kept = static_cast<unsigned>(_mm_movemask_epi8(KeptMask(bytes, low, high)));
        encoded += 16 - static_cast<std::size_t>(__builtin_popcount(kept));
    }
    return encoded;
}

__attribute__((target("ssse3"))) char* EncodeSsse3(const NibbleTables& keptTables, const unsigned char*& in,
                                                   const unsigned char* end, char* out) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keptTables.low));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keptTables.high));
    const __m128i hexDigits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(detail::kHexDigits));
    // Each half stores 32 characters and keeps at least 8; the 24 more are
    // overwritten by the output of the 24 bytes that still follow.
    for (; end - in >= 40; in += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i kept = KeptMask(bytes, low, high);
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(kept));
        if (mask == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            out += 16;
            continue;
        }
        const __m128i first = _mm_or_si128(_mm_and_si128(kept, bytes), _mm_andnot_si128(kept, _mm_set1_epi8('%')));
        const __m128i highDigits =
            _mm_shuffle_epi8(hexDigits, _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F)));
        const __m128i lowDigits = _mm_shuffle_epi8(hexDigits, _mm_and_si128(bytes, _mm_set1_epi8(0x0F)));
        out = ExpandEight(_mm_unpacklo_epi64(first, highDigits), lowDigits, mask & 0xFF, out);
        out = ExpandEight(_mm_unpackhi_epi64(first, highDigits), _mm_srli_si128(lowDigits, 8), mask >> 8, out);
    }
    return out;
}

}  // namespace detail

const Kernel kSsse3Kernel{"SSSE3", Ssse3Available, detail::CountEncodedSsse3, detail::EncodeSsse3};

}  // namespace lumarind::percent
