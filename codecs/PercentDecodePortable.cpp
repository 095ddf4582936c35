#include <cstdint>
#include <cstring>

#include "codecs/CpuFeatures.h"
#include "codecs/PercentDecoding.h"

namespace lumarind::percent {
namespace {

bool Always() { return true; }

// The bytes of a 64-bit word that are below 0x21, '#' or '%': their high
// bits, exact up to the first (a borrow may flag bytes after it).
std::uint64_t BareSpecials(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
    const auto zeros = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    return ((word - kOnes * 0x21) & ~word & kHighs) | zeros(word ^ (kOnes * '#')) | zeros(word ^ (kOnes * '%'));
}

}  // namespace

// Eight characters at a time, and the last few one by one: each word is
// copied whole and out moved on past its plain start. Decoding never makes more bytes than it reads, so
// the copy stays within the room for the text.
const unsigned char* detail::DecodeBarePortable(const unsigned char* in, const unsigned char* const end, unsigned char*& out) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first special byte is the lowest one");
    while (end - in >= 8) {
        std::uint64_t word;
        std::memcpy(&word, in, 8);
        std::memcpy(out, in, 8);
        const std::uint64_t specials = BareSpecials(word);
        if (specials == 0) {
            in += 8;
            out += 8;
            continue;
        }
        const int plain = __builtin_ctzll(specials) / 8;
        in += plain;
        out += plain;
        if (end - in < 3 || in[0] != '%' || !detail::IsHex(in[1]) || !detail::IsHex(in[2])) break;
        *out++ = static_cast<unsigned char>(detail::HexValue(in[1]) * 16 + detail::HexValue(in[2]));
        in += 3;
    }
    for (; in != end; ++in) {
        if (*in > ' ' && *in != '#' && *in != '%') {
            *out++ = *in;
        } else if (*in == '%' && end - in >= 3 && detail::IsHex(in[1]) && detail::IsHex(in[2])) {
            *out++ = static_cast<unsigned char>(detail::HexValue(in[1]) * 16 + detail::HexValue(in[2]));
            in += 2;
        } else {
            break;
        }
    }
    return in;
}

const DecodeKernel kPortableDecodeKernel = {"portable", Always, detail::DecodeBarePortable};

const DecodeKernel& BestDecodeKernel() {
    static const DecodeKernel& best = FastestAvailable(kDecodeKernels);
    return best;
}

}  // namespace lumarind::percent
