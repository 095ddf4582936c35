// Decoding a bare data URL's percent-encoded body, one loop per instruction
// set behind one dispatch chosen once, like the Base64 decoders. There every
// character above ' ' but '#' and '%' stands for itself and "%XX" for its
// byte; a kernel decodes the stretch of these at its start and leaves the
// rest (from white space, '#', or a '%' that starts no escape within the
// text given) to the caller, which goes on character by character and hands
// the next stretch back.
#pragma once

#include <cstddef>

namespace lumarind::percent {

// The most bytes a kernel writes past the end of what it decodes.
inline constexpr std::size_t kDecodeSlack = 64;

struct DecodeKernel {
    const char* name;
    // True when this processor and its system can run it.
    bool (*available)();
    // Decodes from in towards end and returns where it stopped, with out
    // moved past the bytes written. It reads no further than end.
    const unsigned char* (*decodeBare)(const unsigned char* in, const unsigned char* end, unsigned char*& out);
};

extern const DecodeKernel kPortableDecodeKernel;
extern const DecodeKernel kSsse3DecodeKernel;
extern const DecodeKernel kAvx512Vbmi2DecodeKernel;

// Every decoding kernel of the build, the portable one first and the fastest last.
inline const DecodeKernel* const kDecodeKernels[] = {&kPortableDecodeKernel, &kSsse3DecodeKernel,
                                                     &kAvx512Vbmi2DecodeKernel};

const DecodeKernel& BestDecodeKernel();

namespace detail {
constexpr bool IsHex(unsigned char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
constexpr int HexValue(unsigned char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }
// The portable loop, which the vector kernels end with.
const unsigned char* DecodeBarePortable(const unsigned char* in, const unsigned char* end, unsigned char*& out);
}  // namespace detail

}  // namespace lumarind::percent
