#include <immintrin.h>

#include <cstdint>

#include "codecs/CpuFeatures.h"
#include "codecs/PercentBlocks.h"

namespace lumarind::percent {
namespace {

bool Available() { return ThisCpu().avx512Vbmi2; }

// Sixteen bytes are copied to the four 128-bit lanes of a register. Lane 0
// becomes each byte's first character (itself or '%'), lanes 1 and 2 its
// high and low hex digits; a byte permute puts each byte's three side by
// side, and a compress drops the digits of the bytes kept.
constexpr std::uint64_t kLane0 = 0xFFFF;
constexpr std::uint64_t kLane1 = kLane0 << 16;
constexpr std::uint64_t kFirstOfEachThree = 0x249249249249;
constexpr std::uint64_t kSecondOfEachThree = kFirstOfEachThree << 1;

struct Triplets {
    std::uint8_t index[64];
};

constexpr Triplets MakeTriplets() {
    Triplets triplets{};
    for (int i = 0; i < 16; ++i) {
        for (int k = 0; k < 3; ++k) triplets.index[3 * i + k] = static_cast<std::uint8_t>(16 * k + i);
    }
    return triplets;
}

constexpr Triplets kTriplets = MakeTriplets();

#define LUMARIND_AVX512_VBMI2 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi2")))

// The zero-masked forms with every bit set: the plain ones start from an
// undefined register, which GCC 12 warns of.
constexpr __mmask64 kAll = ~__mmask64{0};

LUMARIND_AVX512_VBMI2 inline __m512i Broadcast16(__m128i bytes) { return _mm512_maskz_broadcast_i32x4(0xFFFF, bytes); }

LUMARIND_AVX512_VBMI2 inline __m512i Broadcast16(const void* at) {
    return Broadcast16(_mm_loadu_si128(static_cast<const __m128i*>(at)));
}

LUMARIND_AVX512_VBMI2 inline __m512i SpreadTriplets(__m512i index, __m512i characters) {
    return _mm512_maskz_permutexvar_epi8(kAll, index, characters);
}

// Each store writes 64 characters, of which the sixteen bytes give at
// least 16; the 48 more are overwritten by the output of the 48 bytes
// that still follow.
LUMARIND_AVX512_VBMI2 char* Encode(const detail::NibbleTables& keptTables, const unsigned char*& in,
                                   const unsigned char* end, char* out) {
    const __m512i lowTable = Broadcast16(keptTables.low);
    const __m512i highTable = Broadcast16(keptTables.high);
    const __m512i hexDigits = Broadcast16(detail::kHexDigits);
    const __m512i triplets = _mm512_loadu_si512(kTriplets.index);
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    const __m512i percentSign = _mm512_set1_epi8('%');
    for (; end - in >= 64; in += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m512i bytes = Broadcast16(sixteen);
        const __m512i lows = _mm512_and_si512(bytes, nibble);
        const __m512i highs = _mm512_and_si512(_mm512_srli_epi16(bytes, 4), nibble);
        const __mmask64 kept = _mm512_test_epi8_mask(_mm512_shuffle_epi8(lowTable, lows),
                                                     _mm512_shuffle_epi8(highTable, highs));
        if ((kept & kLane0) == kLane0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), sixteen);
            out += 16;
            continue;
        }
        __m512i characters = _mm512_shuffle_epi8(hexDigits, _mm512_mask_blend_epi8(kLane1, lows, highs));
        characters = _mm512_mask_blend_epi8(kLane0 & kept, characters, bytes);
        characters = _mm512_mask_blend_epi8(kLane0 & ~kept, characters, percentSign);
        // Of each byte's three, the first always; the digits when it is not kept.
        const std::uint64_t digits = _pdep_u64(~kept & kLane0, kSecondOfEachThree);
        const __mmask64 spreadTaken = kFirstOfEachThree | digits | (digits << 1);
        const __m512i spread = SpreadTriplets(triplets, characters);
        _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(spreadTaken, spread));
        out += __builtin_popcountll(spreadTaken);
    }
    return detail::EncodeSsse3(keptTables, in, end, out);
}

}  // namespace

const Kernel kAvx512Vbmi2Kernel{"AVX-512 VBMI2", Available, detail::CountEncodedSsse3, Encode};

}  // namespace lumarind::percent
