// The 128-bit step shared by the SSSE3 and AVX2 encoders: twelve bytes into
// sixteen characters, after W. Muła and D. Lemire, "Faster Base64 Encoding
// and Decoding using AVX2 Instructions".
#pragma once

#include <immintrin.h>

namespace lumarind::base64::vector {

// Where in a 16-byte load the four three-byte groups sit: bytes 0 to 11, or
// 4 to 15 so that a load can end exactly where a line ends. Each group's
// bytes are spread over one 32-bit lane in the order the shifts below need.
template <int kOffset>
__attribute__((target("ssse3"))) inline __m128i GroupOrder() {
    constexpr int o = kOffset;
    return _mm_setr_epi8(o + 1, o, o + 2, o + 1, o + 4, o + 3, o + 5, o + 4, o + 7, o + 6, o + 8, o + 7, o + 10,
                         o + 9, o + 11, o + 10);
}

// The four sextets go to the low six bits
// of its four bytes.
__attribute__((target("ssse3"))) inline __m128i Sextets(__m128i grouped) {
    const __m128i t0 = _mm_and_si128(grouped, _mm_set1_epi32(0x0fc0fc00));
    const __m128i t1 = _mm_mulhi_epu16(t0, _mm_set1_epi32(0x04000040));
    const __m128i t2 = _mm_and_si128(grouped, _mm_set1_epi32(0x003f03f0));
    const __m128i t3 = _mm_mullo_epi16(t2, _mm_set1_epi32(0x01000010));
    return _mm_or_si128(t1, t3);
}

// Each sextet to its character by adding what separates it from its letter,
// digit or sign: one table look-up by the sextet's range.
__attribute__((target("ssse3"))) inline __m128i Characters(__m128i sextets) {
    __m128i ranges = _mm_subs_epu8(sextets, _mm_set1_epi8(51));
    const __m128i below26 = _mm_cmpgt_epi8(_mm_set1_epi8(26), sextets);
    ranges = _mm_or_si128(ranges, _mm_and_si128(below26, _mm_set1_epi8(13)));
    const __m128i shifts = _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
    return _mm_add_epi8(_mm_shuffle_epi8(shifts, ranges), sextets);
}

// Sixteen characters from the twelve bytes at in (offset 0) or at in + 4
// (offset 4); reads the 16 bytes at in.
template <int kOffset>
__attribute__((target("ssse3"))) inline __m128i EncodeTwelve(const unsigned char* in) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i grouped = _mm_shuffle_epi8(bytes, GroupOrder<kOffset>());
    return Characters(Sextets(grouped));
}

}  // namespace lumarind::base64::vector
