#include "support/portable/Base64Blocks.h"

#include <immintrin.h>

#include "support/portable/Base64Lines.h"

namespace lumarind::base64 {
namespace {

// Twelve bytes into sixteen characters at a time, after W. Muła and
// D. Lemire, "Faster Base64 Encoding and Decoding using AVX2 Instructions".
// Each load reads 16 bytes, of which the first 12 are used.
__attribute__((target("ssse3"))) inline __m128i EncodeTwelve(__m128i in) {
    in = _mm_shuffle_epi8(in, _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1));
    const __m128i t0 = _mm_and_si128(in, _mm_set1_epi32(0x0fc0fc00));
    const __m128i t1 = _mm_mulhi_epu16(t0, _mm_set1_epi32(0x04000040));
    const __m128i t2 = _mm_and_si128(in, _mm_set1_epi32(0x003f03f0));
    const __m128i t3 = _mm_mullo_epi16(t2, _mm_set1_epi32(0x01000010));
    const __m128i indices = _mm_or_si128(t1, t3);

    __m128i offsets = _mm_subs_epu8(indices, _mm_set1_epi8(51));
    const __m128i below26 = _mm_cmpgt_epi8(_mm_set1_epi8(26), indices);
    offsets = _mm_or_si128(offsets, _mm_and_si128(below26, _mm_set1_epi8(13)));
    const __m128i shifts = _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                                         '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
    return _mm_add_epi8(_mm_shuffle_epi8(shifts, offsets), indices);
}

__attribute__((target("ssse3"))) void EncodeWholeLinesSsse3(const unsigned char* in, std::size_t lines,
                                                            unsigned char* out) {
    for (std::size_t line = 0; line < lines; ++line, in += kBytesPerLine, out += kLineLength) {
        // 4 x 12 bytes by vector (the last load ends at byte 52 of 57), then 9.
        for (int k = 0; k < 4; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12 * k));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * k), EncodeTwelve(bytes));
        }
        detail::EncodeRun(in + 48, kBytesPerLine - 48, out + 64);
    }
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

}  // namespace

void EncodeWholeLinesPortable(const unsigned char* in, std::size_t lines, unsigned char* out) {
    for (std::size_t line = 0; line < lines; ++line, in += kBytesPerLine, out += kLineLength) {
        detail::EncodeRun(in, kBytesPerLine, out);
    }
}

void EncodeWholeLines(const unsigned char* in, std::size_t lines, unsigned char* out) {
    if (HasSsse3()) {
        EncodeWholeLinesSsse3(in, lines, out);
    } else {
        EncodeWholeLinesPortable(in, lines, out);
    }
}

}  // namespace lumarind::base64
