#include <immintrin.h>

#include <cstdint>

#include "codecs/CpuFeatures.h"
#include "codecs/PercentDecoding.h"

namespace lumarind::percent {
namespace {

bool Available() { return ThisCpu().ssse3; }

#define LUMARIND_SSSE3 __attribute__((target("ssse3,popcnt")))

// For each set of kept bytes among eight, the shuffle that puts them side
// by side at the start (the rest zero), for the low eight bytes of a
// register and for the high eight.
struct Compaction {
    std::uint64_t low[256];
    std::uint64_t high[256];
};
constexpr Compaction MakeCompaction() {
    Compaction compaction{};
    for (int kept = 0; kept < 256; ++kept) {
        int filled = 0;
        for (int i = 0; i < 8; ++i) {
            if ((kept >> i) & 1) {
                compaction.low[kept] |= std::uint64_t(i) << (8 * filled);
                compaction.high[kept] |= std::uint64_t(i + 8) << (8 * filled);
                ++filled;
            }
        }
        for (; filled < 8; ++filled) {
            compaction.low[kept] |= std::uint64_t{0x80} << (8 * filled);
            compaction.high[kept] |= std::uint64_t{0x80} << (8 * filled);
        }
    }
    return compaction;
}
constexpr Compaction kCompaction = MakeCompaction();

// Below or equal, byte by byte, unsigned.
LUMARIND_SSSE3 inline __m128i AtMost(__m128i v, char most) {
    return _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(most)), v);
}

LUMARIND_SSSE3 inline __m128i HexDigits(__m128i v) {
    return _mm_or_si128(AtMost(_mm_sub_epi8(v, _mm_set1_epi8('0')), 9),
                        AtMost(_mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a')), 5));
}

// A hex digit's value (meaningless for other characters).
LUMARIND_SSSE3 inline __m128i HexValues(__m128i v) {
    return _mm_add_epi8(_mm_and_si128(v, _mm_set1_epi8(0x0F)),
                        _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('9')), _mm_set1_epi8(9)));
}

// Sixteen characters at a time, read with the two after them, so that an
// escape is seen whole wherever it starts: masks find the escapes and the
// first character that ends the run, each escape's byte takes the place of
// its '%', and two eight-byte shuffles drop the digits.
LUMARIND_SSSE3 const unsigned char* DecodeBare(const unsigned char* in, const unsigned char* const end,
                                              unsigned char*& out) {
    unsigned char* to = out;
    while (end - in >= 18) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 1));
        const __m128i afterNext = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2));
        const __m128i percent = _mm_cmpeq_epi8(chars, _mm_set1_epi8('%'));
        const __m128i escapes = _mm_and_si128(percent, _mm_and_si128(HexDigits(next), HexDigits(afterNext)));
        const unsigned escapeBits = static_cast<unsigned>(_mm_movemask_epi8(escapes));
        const unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(
                                   _mm_or_si128(_mm_or_si128(percent, AtMost(chars, ' ')),
                                                _mm_cmpeq_epi8(chars, _mm_set1_epi8('#'))))) &
                               ~escapeBits;
        const unsigned taken = stops == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(stops));
        if (taken == 0) break;
        const __m128i joined = _mm_or_si128(
            _mm_and_si128(_mm_slli_epi16(HexValues(next), 4), _mm_set1_epi8(static_cast<char>(0xF0))),
            HexValues(afterNext));
        const __m128i bytes = _mm_or_si128(_mm_and_si128(escapes, joined), _mm_andnot_si128(escapes, chars));
        const unsigned kept = ((1u << taken) - 1) & ~(escapeBits << 1) & ~(escapeBits << 2);
        const unsigned keptLow = kept & 0xFF, keptHigh = (kept >> 8) & 0xFF;
        const __m128i shuffle = _mm_set_epi64x(static_cast<long long>(kCompaction.high[keptHigh]),
                                               static_cast<long long>(kCompaction.low[keptLow]));
        const __m128i packed = _mm_shuffle_epi8(bytes, shuffle);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), packed);
        to += __builtin_popcount(keptLow);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_srli_si128(packed, 8));
        to += __builtin_popcount(keptHigh);
        // An escape in the last two places ends past them, its digits read.
        in += taken == 16 && (escapeBits & 0x8000) != 0 ? 18 : taken == 16 && (escapeBits & 0x4000) != 0 ? 17 : taken;
    }
    out = to;
    return detail::DecodeBarePortable(in, end, out);
}

}  // namespace

const DecodeKernel kSsse3DecodeKernel = {"SSSE3", Available, DecodeBare};

}  // namespace lumarind::percent
