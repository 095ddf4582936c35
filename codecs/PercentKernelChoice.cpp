#include "codecs/PercentBlocks.h"

namespace lumarind::percent {

const Kernel* BestKernel() {
    static const Kernel* const best = [] {
        const Kernel* found = nullptr;
        for (const Kernel* kernel : kKernels) {
            if (kernel->available()) found = kernel;
        }
        return found;
    }();
    return best;
}

}  // namespace lumarind::percent
