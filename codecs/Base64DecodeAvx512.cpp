#include <immintrin.h>

#include <cstdint>

#include "codecs/Base64Decoding.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {
namespace {

bool Available() { return ThisCpu().avx512Vbmi; }

// The six bits of every ASCII character, 0x80 for those outside the
// alphabet, as the two 64-byte halves of one two-register byte permute.
struct alignas(64) AsciiValues {
    std::int8_t value[128];
};
constexpr AsciiValues MakeAsciiValues() {
    AsciiValues values{};
    for (int c = 0; c < 128; ++c) {
        const std::uint8_t v = detail::kDecodeTable.value[c];
        values.value[c] = static_cast<std::int8_t>(v == detail::kNotBase64 ? 0x80 : v);
    }
    return values;
}
constexpr AsciiValues kAsciiValues = MakeAsciiValues();

// Sixty-four characters into forty-eight bytes, after W. Muła and D. Lemire,
// "Base64 encoding and decoding at almost the speed of a memory copy": one
// permute looks up every character, two multiply-adds join each group's
// sextets and one more permute packs the bytes.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t DecodeRun(const unsigned char* in,
                                                                            std::size_t count,
                                                                            unsigned char* out) {
    const __m512i lower = _mm512_load_si512(kAsciiValues.value);
    const __m512i upper = _mm512_load_si512(kAsciiValues.value + 64);
    const __mmask64 all = ~__mmask64{0};
    alignas(64) std::int8_t packOrder[64] = {};
    for (int j = 0; j < 48; ++j) packOrder[j] = static_cast<std::int8_t>(j / 3 * 4 + 2 - j % 3);
    const __m512i pack = _mm512_load_si512(packOrder);
    std::size_t done = 0;
    for (; count - done >= 64; done += 64, out += 48) {
        const __m512i chars = _mm512_loadu_si512(in + done);
        const __m512i sextets = _mm512_maskz_permutex2var_epi8(all, lower, chars, upper);
        // Outside the alphabet: 0x80 looked up, or a byte beyond ASCII.
        if (_mm512_movepi8_mask(_mm512_or_si512(sextets, chars)) != 0) break;
        const __m512i pairs = _mm512_maddubs_epi16(sextets, _mm512_set1_epi32(0x01400140));
        const __m512i groups = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00011000));
        _mm512_storeu_si512(out, _mm512_maskz_permutexvar_epi8(all, pack, groups));
    }
    return done + detail::DecodeGroupsPortable(in + done, count - done, out);
}

}  // namespace

const DecodeKernel kAvx512VbmiDecodeKernel = {"AVX-512 VBMI", Available, DecodeRun};

}  // namespace lumarind::base64
