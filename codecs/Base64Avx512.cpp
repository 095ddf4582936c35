#include <immintrin.h>

#include <cstdint>

#include "codecs/Base64Blocks.h"
#include "codecs/Base64Lines.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {
namespace {

bool Available() { return ThisCpu().avx512Vbmi; }

// Forty-eight bytes into sixty-four characters, after W. Muła and D. Lemire,
// "Base64 encoding and decoding at almost the speed of a memory copy": one
// byte permute spreads each group over a 32-bit lane, a multishift picks its
// four sextets and a second permute looks them up in the alphabet.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i EncodeFortyEight(__m512i bytes) {
    const __m512i spread = _mm512_setr_epi32(0x01020001, 0x04050304, 0x07080607, 0x0a0b090a, 0x0d0e0c0d, 0x10110f10,
                                             0x13141213, 0x16171516, 0x191a1819, 0x1c1d1b1c, 0x1f201e1f, 0x22232122,
                                             0x25262425, 0x28292728, 0x2b2c2a2b, 0x2e2f2d2e);
    const __m512i alphabet = _mm512_loadu_si512(detail::kAlphabet);
    // The zero-masked forms with every bit set: the plain ones start from an
    // undefined register, which GCC 12 warns of.
    const __mmask64 all = ~__mmask64{0};
    const __m512i grouped = _mm512_maskz_permutexvar_epi8(all, spread, bytes);
    const __m512i sextets = _mm512_maskz_multishift_epi64_epi8(all, _mm512_set1_epi64(0x3036242a1016040a), grouped);
    return _mm512_maskz_permutexvar_epi8(all, sextets, alphabet);
}

// The first count bytes (at most 64); masked loads and stores never touch
// memory outside the asked bytes.
inline __mmask64 FirstBytes(std::size_t count) { return count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1; }

// count bytes, a multiple of 3 and at most 48, into count / 3 * 4 characters.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline void EncodePart(const unsigned char* in,
                                                                              std::size_t count, unsigned char* out) {
    const __m512i bytes = _mm512_maskz_loadu_epi8(FirstBytes(count), in);
    _mm512_mask_storeu_epi8(out, FirstBytes(count / 3 * 4), EncodeFortyEight(bytes));
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void EncodeGroups(const unsigned char* in, std::size_t count,
                                                                         unsigned char* out) {
    std::size_t at = 0;
    for (; at + 64 <= count; at += 48, out += 64) {
        _mm512_storeu_si512(out, EncodeFortyEight(_mm512_loadu_si512(in + at)));
    }
    for (; at < count; at += 48, out += 64) EncodePart(in + at, count - at < 48 ? count - at : 48, out);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void EncodeLines(const unsigned char* in, std::size_t lines,
                                                                        unsigned char* out) {
    for (std::size_t line = 0; line < lines; ++line, in += kBytesPerLine, out += kLineLength + 2) {
        EncodePart(in, 48, out);
        EncodePart(in + 48, kBytesPerLine - 48, out + 64);
        if (line + 1 < lines) {
            out[kLineLength] = '\r';
            out[kLineLength + 1] = '\n';
        }
    }
}

}  // namespace

const Kernel kAvx512VbmiKernel{"AVX-512 VBMI", Available, EncodeGroups, EncodeLines};

}  // namespace lumarind::base64
