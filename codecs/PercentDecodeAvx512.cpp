#include <immintrin.h>

#include <cstdint>

#include "codecs/CpuFeatures.h"
#include "codecs/PercentDecoding.h"

namespace lumarind::percent {
namespace {

bool Available() { return ThisCpu().avx512Vbmi2; }

#define LUMARIND_AVX512_VBMI2 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi")))

constexpr __mmask64 kAll = ~__mmask64{0};

// Each ASCII character's value as a hex digit (0 for the others), as the two
// 64-byte halves of one two-register byte permute.
struct alignas(64) HexDigits {
    std::int8_t value[128];
};
constexpr HexDigits MakeHexDigits() {
    HexDigits digits{};
    for (int c = 0; c < 128; ++c) {
        digits.value[c] = static_cast<std::int8_t>(detail::IsHex(static_cast<unsigned char>(c))
                                                       ? detail::HexValue(static_cast<unsigned char>(c))
                                                       : 0);
    }
    return digits;
}
constexpr HexDigits kHexDigits = MakeHexDigits();

// Byte permutes that move every byte one and two places down.
struct alignas(64) Following {
    std::uint8_t next[64];
    std::uint8_t afterNext[64];
};
constexpr Following MakeFollowing() {
    Following following{};
    for (int i = 0; i < 64; ++i) {
        following.next[i] = static_cast<std::uint8_t>(i + 1 < 64 ? i + 1 : 63);
        following.afterNext[i] = static_cast<std::uint8_t>(i + 2 < 64 ? i + 2 : 63);
    }
    return following;
}
constexpr Following kFollowing = MakeFollowing();

// Sixty-four characters at a time. Masks find the escapes (a '%' and two hex
// digits within the block) and the first character that ends the stretch;
// each escape's byte is put in place of its '%' and a compress drops the
// digits. An escape that would reach past the block ends it, and is read
// whole at the start of the next.
LUMARIND_AVX512_VBMI2 const unsigned char* DecodeBare(const unsigned char* in, const unsigned char* const end,
                                                     unsigned char*& out) {
    const __m512i lower = _mm512_load_si512(kHexDigits.value);
    const __m512i upper = _mm512_load_si512(kHexDigits.value + 64);
    const __m512i next = _mm512_load_si512(kFollowing.next);
    const __m512i afterNext = _mm512_load_si512(kFollowing.afterNext);
    const __m512i highNibble = _mm512_set1_epi8(static_cast<char>(0xF0));
    unsigned char* to = out;
    while (end - in >= 64) {
        const __m512i chars = _mm512_loadu_si512(in);
        const __mmask64 percent = _mm512_cmpeq_epi8_mask(chars, _mm512_set1_epi8('%'));
        const __mmask64 specials = percent | _mm512_cmple_epu8_mask(chars, _mm512_set1_epi8(' ')) |
                                   _mm512_cmpeq_epi8_mask(chars, _mm512_set1_epi8('#'));
        std::uint64_t escapes = 0;
        __m512i bytes = chars;
        if (percent != 0) {
            // Hex digits: 0-9, and A-F in either case.
            const __m512i folded = _mm512_or_si512(chars, _mm512_set1_epi8(0x20));
            const __mmask64 hex = _mm512_cmp_epu8_mask(_mm512_sub_epi8(chars, _mm512_set1_epi8('0')),
                                                       _mm512_set1_epi8(10), _MM_CMPINT_LT) |
                                  _mm512_cmp_epu8_mask(_mm512_sub_epi8(folded, _mm512_set1_epi8('a')),
                                                       _mm512_set1_epi8(6), _MM_CMPINT_LT);
            escapes = percent & (hex >> 1) & (hex >> 2);
            if (escapes != 0) {
                const __m512i digits = _mm512_maskz_permutex2var_epi8(kAll, lower, chars, upper);
                const __m512i high = _mm512_maskz_permutexvar_epi8(kAll, next, digits);
                const __m512i low = _mm512_maskz_permutexvar_epi8(kAll, afterNext, digits);
                const __m512i joined =
                    _mm512_or_si512(_mm512_and_si512(_mm512_slli_epi16(high, 4), highNibble), low);
                bytes = _mm512_mask_blend_epi8(escapes, chars, joined);
            }
        }
        const std::uint64_t stops = specials & ~escapes;
        const unsigned taken = stops == 0 ? 64 : static_cast<unsigned>(__builtin_ctzll(stops));
        if (taken == 0) break;
        const std::uint64_t within = taken == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << taken) - 1;
        const std::uint64_t kept = within & ~(escapes << 1) & ~(escapes << 2);
        _mm512_storeu_si512(to, _mm512_maskz_compress_epi8(kept, bytes));
        to += __builtin_popcountll(kept);
        in += taken;
    }
    out = to;
    return detail::DecodeBarePortable(in, end, out);
}

}  // namespace

const DecodeKernel kAvx512Vbmi2DecodeKernel = {"AVX-512 VBMI2", Available, DecodeBare};

}  // namespace lumarind::percent
