#include "codecs/Base64Blocks.h"

#include "codecs/Base64Lines.h"

namespace lumarind::base64 {
namespace {

bool Always() { return true; }

void EncodeGroupsPortable(const unsigned char* in, std::size_t count, unsigned char* out) {
    detail::EncodeRun(in, count, out);
}

void EncodeLinesPortable(const unsigned char* in, std::size_t lines, unsigned char* out) {
    for (std::size_t line = 0; line < lines; ++line, in += kBytesPerLine) {
        out = detail::EncodeRun(in, kBytesPerLine, out);
        if (line + 1 < lines) {
            *out++ = '\r';
            *out++ = '\n';
        }
    }
}

const Kernel& ChooseKernel() {
    const Kernel* best = &kPortableKernel;
    for (const Kernel* kernel : kKernels) {
        if (kernel->available()) best = kernel;
    }
    return *best;
}

}  // namespace

const Kernel kPortableKernel{"portable", Always, EncodeGroupsPortable, EncodeLinesPortable};

const Kernel& BestKernel() {
    static const Kernel& best = ChooseKernel();
    return best;
}

unsigned char* EncodeBytes(const Kernel& kernel, const unsigned char* in, std::size_t count, Lines lines,
                           unsigned char* out) {
    if (lines == Lines::kSingle) {
        const std::size_t groups = count / 3 * 3;
        kernel.encodeGroups(in, groups, out);
        return detail::EncodeRun(in + groups, count - groups, out + groups / 3 * 4);
    }
    const std::size_t wholeLines = count / kBytesPerLine;
    const std::size_t rest = count - wholeLines * kBytesPerLine;
    if (wholeLines != 0) {
        kernel.encodeLines(in, wholeLines, out);
        out += wholeLines * (kLineLength + 2) - 2;
        if (rest != 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
    }
    return detail::EncodeRun(in + wholeLines * kBytesPerLine, rest, out);
}

unsigned char* EncodeBytes(const unsigned char* in, std::size_t count, Lines lines, unsigned char* out) {
    return EncodeBytes(BestKernel(), in, count, lines, out);
}

void EncodeWholeLines(const unsigned char* in, std::size_t lines, unsigned char* out) {
    BestKernel().encodeGroups(in, lines * kBytesPerLine, out);
}

void EncodeWholeLinesPortable(const unsigned char* in, std::size_t lines, unsigned char* out) {
    kPortableKernel.encodeGroups(in, lines * kBytesPerLine, out);
}

}  // namespace lumarind::base64
