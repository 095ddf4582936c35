#include <immintrin.h>

#include "codecs/Base64DecodeVector.h"
#include "codecs/Base64Decoding.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {
namespace {

bool Available() { return ThisCpu().ssse3; }

__attribute__((target("ssse3"))) std::size_t DecodeRun(const unsigned char* in, std::size_t count,
                                                        unsigned char* out) {
    const vector::DecodeTables tables = vector::MakeDecodeTables();
    std::size_t done = 0;
    for (; count - done >= 16; done += 16, out += 12) {
        __m128i sextets;
        if (!vector::Sextets(tables, _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done)), sextets)) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), vector::Packed(sextets));
    }
    return done + detail::DecodeGroupsPortable(in + done, count - done, out);
}

}  // namespace

const DecodeKernel kSsse3DecodeKernel = {"SSSE3", Available, DecodeRun, detail::DecodeLinesGathered<DecodeRun>};

}  // namespace lumarind::base64
