#include <immintrin.h>

#include "codecs/Base64DecodeVector.h"
#include "codecs/Base64Decoding.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {
namespace {

bool Available() { return ThisCpu().avx2; }

// The SSSE3 step on both halves of a 256-bit register at once.
__attribute__((target("avx2"))) std::size_t DecodeRun(const unsigned char* in, std::size_t count,
                                                       unsigned char* out) {
    const vector::DecodeTables narrow = vector::MakeDecodeTables();
    const __m256i lowNibble = _mm256_broadcastsi128_si256(narrow.lowNibble);
    const __m256i highNibble = _mm256_broadcastsi128_si256(narrow.highNibble);
    const __m256i shift = _mm256_broadcastsi128_si256(narrow.shift);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i pack = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2, 1, 0, 6, 5, 4,
                                          10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::size_t done = 0;
    for (; count - done >= 32; done += 32, out += 24) {
        const __m256i chars = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + done));
        const __m256i high = _mm256_and_si256(_mm256_srli_epi32(chars, 4), nibble);
        const __m256i low = _mm256_and_si256(chars, nibble);
        const __m256i meet =
            _mm256_and_si256(_mm256_shuffle_epi8(lowNibble, low), _mm256_shuffle_epi8(highNibble, high));
        if (!_mm256_testz_si256(meet, meet)) break;
        const __m256i slash = _mm256_cmpeq_epi8(chars, _mm256_set1_epi8('/'));
        const __m256i sextets = _mm256_add_epi8(chars, _mm256_shuffle_epi8(shift, _mm256_add_epi8(high, slash)));
        const __m256i pairs = _mm256_maddubs_epi16(sextets, _mm256_set1_epi32(0x01400140));
        const __m256i groups = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
        const __m256i lanes = _mm256_shuffle_epi8(groups, pack);
        const __m256i bytes = _mm256_permutevar8x32_epi32(lanes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), bytes);
    }
    std::size_t rest = 0;
    __m128i sextets;
    for (; count - done - rest >= 16; rest += 16) {
        if (!vector::Sextets(narrow, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + rest)), sextets)) {
            break;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + rest / 4 * 3), vector::Packed(sextets));
    }
    done += rest;
    out += rest / 4 * 3;
    return done + detail::DecodeGroupsPortable(in + done, count - done, out);
}

}  // namespace

const DecodeKernel kAvx2DecodeKernel = {"AVX2", Available, DecodeRun, detail::DecodeLinesGathered<DecodeRun>};

}  // namespace lumarind::base64
