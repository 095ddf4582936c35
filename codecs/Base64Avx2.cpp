#include <immintrin.h>

#include "codecs/Base64Blocks.h"
#include "codecs/Base64Lines.h"
#include "codecs/Base64Vector.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {
namespace {

bool Available() { return ThisCpu().avx2; }

// Twenty-four bytes into thirty-two characters: twelve from in into the low
// half, twelve from in + 12 into the high half. Reads the 28 bytes at in.
__attribute__((target("avx2"))) inline __m256i EncodeTwentyFour(const unsigned char* in) {
    const __m256i bytes =
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12)), 1);
    const __m256i grouped = _mm256_shuffle_epi8(bytes, _mm256_broadcastsi128_si256(vector::GroupOrder<0>()));

    const __m256i t0 = _mm256_and_si256(grouped, _mm256_set1_epi32(0x0fc0fc00));
    const __m256i t1 = _mm256_mulhi_epu16(t0, _mm256_set1_epi32(0x04000040));
    const __m256i t2 = _mm256_and_si256(grouped, _mm256_set1_epi32(0x003f03f0));
    const __m256i t3 = _mm256_mullo_epi16(t2, _mm256_set1_epi32(0x01000010));
    const __m256i sextets = _mm256_or_si256(t1, t3);

    __m256i ranges = _mm256_subs_epu8(sextets, _mm256_set1_epi8(51));
    const __m256i below26 = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), sextets);
    ranges = _mm256_or_si256(ranges, _mm256_and_si256(below26, _mm256_set1_epi8(13)));
    const __m256i shifts = _mm256_setr_epi8(
        'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
        '+' - 62, '/' - 63, 'A', 0, 0, 'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
        '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
    return _mm256_add_epi8(_mm256_shuffle_epi8(shifts, ranges), sextets);
}

__attribute__((target("avx2"))) void EncodeGroups(const unsigned char* in, std::size_t count, unsigned char* out) {
    std::size_t at = 0;
    for (; at + 28 <= count; at += 24, out += 32) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), EncodeTwentyFour(in + at));
    }
    detail::EncodeRun(in + at, count - at, out);
}

__attribute__((target("avx2"))) void EncodeLines(const unsigned char* in, std::size_t lines, unsigned char* out) {
    for (std::size_t line = 0; line < lines; ++line, in += kBytesPerLine, out += kLineLength + 2) {
        // Bytes 0-47 by loads that end at byte 52; the last twelve by a load
        // that ends with the line, overlapping characters 60-63.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), EncodeTwentyFour(in));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), EncodeTwentyFour(in + 24));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 60), vector::EncodeTwelve<4>(in + 41));
        if (line + 1 < lines) {
            out[kLineLength] = '\r';
            out[kLineLength + 1] = '\n';
        }
    }
}

}  // namespace

const Kernel kAvx2Kernel{"AVX2", Available, EncodeGroups, EncodeLines};

}  // namespace lumarind::base64
