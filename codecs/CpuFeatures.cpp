#include "codecs/CpuFeatures.h"

#include <cpuid.h>

#include <cstdint>

namespace lumarind {
namespace {

// The register state the system saves on a task switch (XCR0): a processor
// may have AVX while its system does not keep the wider registers.
std::uint64_t SavedRegisterState() {
    std::uint32_t low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (std::uint64_t{high} << 32) | low;
}

CpuFeatures Detect() {
    CpuFeatures features;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return features;
    features.ssse3 = (c & bit_SSSE3) != 0;
    if ((c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0) return features;
    const std::uint64_t state = SavedRegisterState();
    constexpr std::uint64_t kVectorState = 0x6;    // SSE and AVX registers
    constexpr std::uint64_t kAvx512State = 0xe6;   // and the mask and upper ZMM registers
    if ((state & kVectorState) != kVectorState) return features;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return features;
    features.avx2 = (b & bit_AVX2) != 0;
    features.avx512Vbmi = (state & kAvx512State) == kAvx512State && (b & bit_AVX512F) != 0 &&
                          (b & bit_AVX512BW) != 0 && (c & bit_AVX512VBMI) != 0;
    features.avx512Vbmi2 = features.avx512Vbmi && (c & bit_AVX512VBMI2) != 0 && (b & bit_BMI2) != 0;
    return features;
}

}  // namespace

const CpuFeatures& ThisCpu() {
    static const CpuFeatures features = Detect();
    return features;
}

}  // namespace lumarind
