// The 128-bit decoding step shared by the SSSE3 and AVX2 kernels: sixteen
// characters checked and turned into twelve bytes, after W. Muła and
// D. Lemire, "Faster Base64 Encoding and Decoding using AVX2 Instructions".
// Each character's high and low nibble pick a bit mask and a bit; a
// character of the alphabet is one whose two never meet.
#pragma once

#include <immintrin.h>

namespace lumarind::base64::vector {

struct DecodeTables {
    __m128i lowNibble;
    __m128i highNibble;
    __m128i shift;
};

__attribute__((target("ssse3"))) inline DecodeTables MakeDecodeTables() {
    return {_mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B,
                          0x1A),
            _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,
                          0x10),
            // What separates each character from its six bits, by its high
            // nibble ('/' one lower than the rest of its row).
            _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0)};
}

// The sextets of sixteen characters; false when any is outside the alphabet.
__attribute__((target("ssse3"))) inline bool Sextets(const DecodeTables& tables, __m128i chars, __m128i& sextets) {
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i high = _mm_and_si128(_mm_srli_epi32(chars, 4), nibble);
    const __m128i low = _mm_and_si128(chars, nibble);
    const __m128i meet = _mm_and_si128(_mm_shuffle_epi8(tables.lowNibble, low),
                                       _mm_shuffle_epi8(tables.highNibble, high));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(meet, _mm_setzero_si128())) != 0xFFFF) return false;
    const __m128i slash = _mm_cmpeq_epi8(chars, _mm_set1_epi8('/'));
    sextets = _mm_add_epi8(chars, _mm_shuffle_epi8(tables.shift, _mm_add_epi8(high, slash)));
    return true;
}

// Each group of four sextets into its 24 bits, the three bytes in the low
// three bytes of its 32-bit lane, most significant first after the shuffle.
__attribute__((target("ssse3"))) inline __m128i Packed(__m128i sextets) {
    const __m128i pairs = _mm_maddubs_epi16(sextets, _mm_set1_epi32(0x01400140));
    const __m128i groups = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
    return _mm_shuffle_epi8(groups, _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
}

}  // namespace lumarind::base64::vector
