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

// Where each output byte comes from: the three bytes of every 32-bit group,
// most significant first.
struct alignas(64) PackOrder {
    std::int8_t from[64];
};
constexpr PackOrder MakePackOrder() {
    PackOrder order{};
    for (int j = 0; j < 48; ++j) order.from[j] = static_cast<std::int8_t>(j / 3 * 4 + 2 - j % 3);
    return order;
}
constexpr PackOrder kPackOrder = MakePackOrder();

// Sixty-four characters into forty-eight bytes, after W. Muła and D. Lemire,
// "Base64 encoding and decoding at almost the speed of a memory copy": one
// permute looks up every character, two multiply-adds join each group's
// sextets and one more permute packs the bytes.
struct Lookup {
    __m512i lower;
    __m512i upper;
    __m512i pack;
};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline Lookup MakeLookup() {
    return {_mm512_load_si512(kAsciiValues.value), _mm512_load_si512(kAsciiValues.value + 64),
            _mm512_load_si512(kPackOrder.from)};
}

// The sextets of up to 64 characters; false when one of those in mask is
// outside the alphabet.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline bool Sextets(const Lookup& lookup, __m512i chars,
                                                                          __mmask64 mask, __m512i& sextets) {
    sextets = _mm512_maskz_permutex2var_epi8(~__mmask64{0}, lookup.lower, chars, lookup.upper);
    // Outside the alphabet: 0x80 looked up, or a byte beyond ASCII.
    return (_mm512_movepi8_mask(_mm512_or_si512(sextets, chars)) & mask) == 0;
}

// Each group of four sextets into its three bytes, packed at the start.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i Packed(const Lookup& lookup, __m512i sextets) {
    const __m512i pairs = _mm512_maddubs_epi16(sextets, _mm512_set1_epi32(0x01400140));
    const __m512i groups = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00011000));
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, lookup.pack, groups);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t DecodeRun(const unsigned char* in,
                                                                            std::size_t count,
                                                                            unsigned char* out) {
    const Lookup lookup = MakeLookup();
    std::size_t done = 0;
    for (; count - done >= 64; done += 64, out += 48) {
        const __m512i chars = _mm512_loadu_si512(in + done);
        __m512i sextets;
        if (!Sextets(lookup, chars, ~__mmask64{0}, sextets)) break;
        _mm512_storeu_si512(out, Packed(lookup, sextets));
    }
    return done + detail::DecodeGroupsPortable(in + done, count - done, out);
}

// A line of 76 characters is one vector and twelve characters of a second,
// read masked: no copy, and no portable loop for the twelve.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t DecodeLines(const unsigned char* in,
                                                                              std::size_t lines,
                                                                              std::size_t stride,
                                                                              unsigned char* out) {
    static_assert(kLineLength > 64 && kLineLength - 64 <= 16);
    constexpr __mmask64 kRest = (__mmask64{1} << (kLineLength - 64)) - 1;
    const Lookup lookup = MakeLookup();
    std::size_t done = 0;
    for (; lines != 0; --lines, in += stride, out += kBytesPerLine, done += kLineLength) {
        __m512i first, rest;
        if (!Sextets(lookup, _mm512_loadu_si512(in), ~__mmask64{0}, first) ||
            !Sextets(lookup, _mm512_maskz_loadu_epi8(kRest, in + 64), kRest, rest)) {
            return done + detail::DecodeGroupsPortable(in, kLineLength, out);
        }
        // Whole unmasked stores, each past the line's bytes into the next
        // line's place: a masked store is many times slower on some processors.
        _mm512_storeu_si512(out, Packed(lookup, first));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48),
                         _mm512_maskz_extracti32x4_epi32(0xF, Packed(lookup, rest), 0));
    }
    return done;
}

}  // namespace

const DecodeKernel kAvx512VbmiDecodeKernel = {"AVX-512 VBMI", Available, DecodeRun, DecodeLines};

}  // namespace lumarind::base64
