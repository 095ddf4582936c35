#include "codecs/Base64Decoding.h"
#include "codecs/CpuFeatures.h"

namespace lumarind::base64 {

namespace detail {

std::size_t DecodeGroupsPortable(const unsigned char* in, std::size_t count, unsigned char* out) {
    std::size_t done = 0;
    for (; count - done >= 4; done += 4, in += 4, out += 3) {
        const std::uint32_t a = kDecodeTable.value[in[0]], b = kDecodeTable.value[in[1]],
                            c = kDecodeTable.value[in[2]], d = kDecodeTable.value[in[3]];
        // kNotBase64 is the only value with its high bit set.
        if (((a | b | c | d) & 0x80) != 0) break;
        const std::uint32_t group = (a << 18) | (b << 12) | (c << 6) | d;
        out[0] = static_cast<unsigned char>(group >> 16);
        out[1] = static_cast<unsigned char>(group >> 8);
        out[2] = static_cast<unsigned char>(group);
    }
    return done;
}

std::size_t DecodeLinesPortable(const unsigned char* in, std::size_t lines, std::size_t stride, unsigned char* out) {
    std::size_t done = 0;
    for (; lines != 0; --lines, in += stride, out += kBytesPerLine) {
        const std::size_t taken = DecodeGroupsPortable(in, kLineLength, out);
        done += taken;
        if (taken != kLineLength) break;
    }
    return done;
}

}  // namespace detail

namespace {
bool Always() { return true; }
}  // namespace

const DecodeKernel kPortableDecodeKernel = {"portable", Always, detail::DecodeGroupsPortable,
                                            detail::DecodeLinesPortable};

const DecodeKernel& BestDecodeKernel() {
    static const DecodeKernel& best = FastestAvailable(kDecodeKernels);
    return best;
}

}  // namespace lumarind::base64
