// What this processor, and the system that runs it, can execute beyond the
// x86-64 baseline: asked of cpuid once, on first use.
#pragma once

namespace lumarind {

struct CpuFeatures {
    bool ssse3 = false;
    bool avx2 = false;
    // AVX-512 F, BW and VBMI together: byte permutes across the whole register.
    bool avx512Vbmi = false;
    // And VBMI2 (byte compress), with BMI2's bit deposit beside it.
    bool avx512Vbmi2 = false;
};

const CpuFeatures& ThisCpu();

// The last of kernels (ordered slowest first, the first always available)
// that this processor runs.
template <typename Kernel, int N>
const Kernel& FastestAvailable(const Kernel* const (&kernels)[N]) {
    const Kernel* last = kernels[0];
    for (const Kernel* kernel : kernels) {
        if (kernel->available()) last = kernel;
    }
    return *last;
}

}  // namespace lumarind
