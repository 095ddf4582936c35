// The Base64 kernels where the processor is not x86-64 (64-bit Arm): never
// available, so BestKernel is the portable one; called all the same, each
// gives the portable kernel's characters.
#include "codecs/Base64Blocks.h"
#include "codecs/Base64Decoding.h"

namespace lumarind::base64 {
namespace {

bool Never() { return false; }

void EncodeGroupsPortably(const unsigned char* in, std::size_t count, unsigned char* out) {
    kPortableKernel.encodeGroups(in, count, out);
}

void EncodeLinesPortably(const unsigned char* in, std::size_t lines, unsigned char* out) {
    kPortableKernel.encodeLines(in, lines, out);
}

std::size_t DecodeRunPortably(const unsigned char* in, std::size_t count, unsigned char* out) {
    return kPortableDecodeKernel.decodeRun(in, count, out);
}

std::size_t DecodeLinesPortably(const unsigned char* in, std::size_t lines, std::size_t stride, unsigned char* out) {
    return kPortableDecodeKernel.decodeLines(in, lines, stride, out);
}

}  // namespace

const Kernel kSsse3Kernel{"SSSE3", Never, EncodeGroupsPortably, EncodeLinesPortably};
const Kernel kAvx2Kernel{"AVX2", Never, EncodeGroupsPortably, EncodeLinesPortably};
const Kernel kAvx512VbmiKernel{"AVX-512 VBMI", Never, EncodeGroupsPortably, EncodeLinesPortably};
const DecodeKernel kSsse3DecodeKernel{"SSSE3", Never, DecodeRunPortably, DecodeLinesPortably};
const DecodeKernel kAvx2DecodeKernel{"AVX2", Never, DecodeRunPortably, DecodeLinesPortably};
const DecodeKernel kAvx512VbmiDecodeKernel{"AVX-512 VBMI", Never, DecodeRunPortably, DecodeLinesPortably};

}  // namespace lumarind::base64
