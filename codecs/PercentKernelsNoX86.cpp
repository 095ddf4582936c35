// The percent kernels where the processor is not x86-64 (64-bit Arm): never
// available, so the portable loops encode everything. Should one be called
// all the same, it leaves every byte to those loops.
#include "codecs/PercentBlocks.h"

namespace lumarind::percent {
namespace {

bool Never() { return false; }

std::size_t CountEncodedPortably(const unsigned char* in, std::size_t count) {
    std::size_t encoded = 0;
    for (std::size_t at = 0; at < count / 16 * 16; ++at) encoded += IsKept(in[at]) ? 0 : 1;
    return encoded;
}

char* EncodeNothing(const unsigned char*&, const unsigned char*, char* out) { return out; }

}  // namespace

const Kernel kSsse3Kernel{"SSSE3", Never, CountEncodedPortably, EncodeNothing};
const Kernel kAvx512Vbmi2Kernel{"AVX-512 VBMI2", Never, CountEncodedPortably, EncodeNothing};

}  // namespace lumarind::percent
