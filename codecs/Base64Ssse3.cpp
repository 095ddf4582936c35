#include <immintrin.h>

#include "codecs/Base64Blocks.h"
#include "codecs/Base64Lines.h"
#include "codecs/Base64Vector.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {
namespace {

bool Available() { return ThisCpu().ssse3; }

__attribute__((target("ssse3"))) void EncodeGroups(const unsigned char* in, std::size_t count, unsigned char* out) {
    std::size_t at = 0;
    // Each load reads 16 bytes of which 12 are used: the last four stay for the tail.
    for (; at + 16 <= count; at += 12, out += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), vector::EncodeTwelve<0>(in + at));
    }
    detail::EncodeRun(in + at, count - at, out);
}

__attribute__((target("ssse3"))) void EncodeLines(const unsigned char* in, std::size_t lines, unsigned char* out) {
    for (std::size_t line = 0; line < lines; ++line, in += kBytesPerLine, out += kLineLength + 2) {
        // Bytes 0-47 by four loads that end at byte 52; the last twelve by a
        // load that ends with the line, overlapping characters 60-63.
        for (int k = 0; k < 4; ++k) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * k), vector::EncodeTwelve<0>(in + 12 * k));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 60), vector::EncodeTwelve<4>(in + 41));
        if (line + 1 < lines) {
            out[kLineLength] = '\r';
            out[kLineLength + 1] = '\n';
        }
    }
}

}  // namespace

const Kernel kSsse3Kernel{"SSSE3", Available, EncodeGroups, EncodeLines};

}  // namespace lumarind::base64
