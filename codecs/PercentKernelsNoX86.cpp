// The percent kernels where the processor is not x86-64 (64-bit Arm): never
// available, so BestKernel picks none and the portable loops encode
// everything. Their tables are x86 registers, so there is nothing they could
// do if called; reaching one is a fault in the caller.
#include <cstdlib>

#include "codecs/PercentBlocks.h"
#include "codecs/PercentDecoding.h"

namespace lumarind::percent {
namespace {

bool Never() { return false; }

std::size_t CountNothing(const detail::NibbleTables&, const unsigned char*, std::size_t) { std::abort(); }

char* EncodeNothing(const detail::NibbleTables&, const unsigned char*&, const unsigned char*, char*) { std::abort(); }

}  // namespace

const Kernel kSsse3Kernel{"SSSE3", Never, CountNothing, EncodeNothing};
const Kernel kAvx512Vbmi2Kernel{"AVX-512 VBMI2", Never, CountNothing, EncodeNothing};
const DecodeKernel kSsse3DecodeKernel{"SSSE3", Never, detail::DecodeBarePortable};
const DecodeKernel kAvx512Vbmi2DecodeKernel{"AVX-512 VBMI2", Never, detail::DecodeBarePortable};

}  // namespace lumarind::percent
