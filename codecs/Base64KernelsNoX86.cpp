// The Base64 kernels where the processor is not x86-64 (64-bit Arm): never
// available, so BestKernel is the portable one; called all the same, each
// gives the portable kernel's characters.
#include "codecs/Base64Blocks.h"

namespace lumarind::base64 {
namespace {

bool Never() { return false; }

void EncodeGroupsPortably(const unsigned char* in, std::size_t count, unsigned char* out) {
    kPortableKernel.encodeGroups(in, count, out);
}

void EncodeLinesPortably(const unsigned char* in, std::size_t lines, unsigned char* out) {
    kPortableKernel.encodeLines(in, lines, out);
}

}  // namespace

const Kernel kSsse3Kernel{"SSSE3", Never, EncodeGroupsPortably, EncodeLinesPortably};
const Kernel kAvx2Kernel{"AVX2", Never, EncodeGroupsPortably, EncodeLinesPortably};
const Kernel kAvx512VbmiKernel{"AVX-512 VBMI", Never, EncodeGroupsPortably, EncodeLinesPortably};

}  // namespace lumarind::base64
