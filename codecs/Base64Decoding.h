// The Base64 decoders, one per instruction set, behind one dispatch chosen
// once, like the encoders. A kernel decodes only the plain stretch of text
// at its start: whole blocks of alphabet characters, stopping short of the
// first block that holds anything else (white space, padding, a fault). The
// caller goes on character by character from there and hands the next
// plain stretch back to the kernel, so that line breaks cost a few steps
// each and the long runs between them go at vector speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/Base64Blocks.h"

namespace lumarind::base64 {

// The most bytes a kernel writes past the end of what it decodes.
inline constexpr std::size_t kDecodeSlack = 32;

struct DecodeKernel {
    const char* name;
    // True when this processor and its system can run it.
    bool (*available)();
    // Decodes the longest run of whole blocks of alphabet characters at in;
    // the count it took is a multiple of 4, and count / 4 * 3 bytes were
    // written at out (with up to kDecodeSlack more after them).
    std::size_t (*decodeRun)(const unsigned char* in, std::size_t count, unsigned char* out);
    // The same over whole lines of kLineLength characters that start stride
    // apart, as if they were joined: the line breaks between them are not
    // read, and the count taken is counted without them.
    std::size_t (*decodeLines)(const unsigned char* in, std::size_t lines, std::size_t stride, unsigned char* out);
};

extern const DecodeKernel kPortableDecodeKernel;
extern const DecodeKernel kSsse3DecodeKernel;
extern const DecodeKernel kAvx2DecodeKernel;
extern const DecodeKernel kAvx512VbmiDecodeKernel;

// Every decoding kernel of the build, the portable one first and the fastest last.
inline const DecodeKernel* const kDecodeKernels[] = {&kPortableDecodeKernel, &kSsse3DecodeKernel,
                                                     &kAvx2DecodeKernel, &kAvx512VbmiDecodeKernel};

const DecodeKernel& BestDecodeKernel();

namespace detail {
// Each character's six bits, or kNotBase64 for every character outside the
// alphabet ('=' included).
inline constexpr std::uint8_t kNotBase64 = 0xFF;
struct DecodeTable {
    std::uint8_t value[256];
};
constexpr DecodeTable MakeDecodeTable() {
    DecodeTable table{};
    for (std::uint8_t& v : table.value) v = kNotBase64;
    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) table.value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
    return table;
}
inline constexpr DecodeTable kDecodeTable = MakeDecodeTable();

// The portable loop over whole groups of four, which the vector kernels end with.
std::size_t DecodeGroupsPortable(const unsigned char* in, std::size_t count, unsigned char* out);
std::size_t DecodeLinesPortable(const unsigned char* in, std::size_t lines, std::size_t stride, unsigned char* out);

// decodeLines for a kernel whose vectors do not fit a line: batches of lines
// are copied together without their breaks and decoded in one run, which
// goes faster than one run per line ending in the portable loop.
template <std::size_t (*DecodeRun)(const unsigned char*, std::size_t, unsigned char*)>
std::size_t DecodeLinesGathered(const unsigned char* in, std::size_t lines, std::size_t stride, unsigned char* out) {
    constexpr std::size_t kBatch = 64;
    unsigned char gathered[kBatch * kLineLength];
    std::size_t done = 0;
    while (lines != 0) {
        const std::size_t batch = lines < kBatch ? lines : kBatch;
        for (std::size_t i = 0; i < batch; ++i) std::memcpy(gathered + i * kLineLength, in + i * stride, kLineLength);
        const std::size_t taken = DecodeRun(gathered, batch * kLineLength, out);
        done += taken;
        if (taken != batch * kLineLength) break;
        in += batch * stride;
        out += taken / 4 * 3;
        lines -= batch;
    }
    return done;
}
}  // namespace detail

}  // namespace lumarind::base64
