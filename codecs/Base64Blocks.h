// The Base64 encoders into bytes, one per instruction set, behind one
// function: EncodeBytes takes whichever the processor runs fastest, chosen
// once, and every one of them gives the same characters.
#pragma once

#include <cstddef>

namespace lumarind::base64 {

inline constexpr std::size_t kLineLength = 76;
inline constexpr std::size_t kBytesPerLine = kLineLength / 4 * 3;

// Lines of kLineLength characters joined by CR LF, or a single line.
enum class Lines { kBroken, kSingle };

// One instruction set's encoder; both functions take whole groups only, so
// no padding is ever theirs to write.
struct Kernel {
    const char* name;
    // True when this processor and its system can run it.
    bool (*available)();
    // count bytes, a multiple of 3, into count / 3 * 4 characters.
    void (*encodeGroups)(const unsigned char* in, std::size_t count, unsigned char* out);
    // Whole lines of kBytesPerLine bytes, CR LF between them and none after the last.
    void (*encodeLines)(const unsigned char* in, std::size_t lines, unsigned char* out);
};

extern const Kernel kPortableKernel;
extern const Kernel kSsse3Kernel;
extern const Kernel kAvx2Kernel;
extern const Kernel kAvx512VbmiKernel;

// Every kernel of the build, the portable one first and the fastest last.
inline const Kernel* const kKernels[] = {&kPortableKernel, &kSsse3Kernel, &kAvx2Kernel, &kAvx512VbmiKernel};

// The fastest kernel this processor runs.
const Kernel& BestKernel();

// The whole Base64 text of count bytes, padding included, with the given
// kernel or the best one; returns the end of the characters written.
unsigned char* EncodeBytes(const Kernel& kernel, const unsigned char* in, std::size_t count, Lines lines,
                           unsigned char* out);
unsigned char* EncodeBytes(const unsigned char* in, std::size_t count, Lines lines, unsigned char* out);

// Whole runs of 57 bytes into 76 characters each, without breaks.
void EncodeWholeLines(const unsigned char* in, std::size_t lines, unsigned char* out);
void EncodeWholeLinesPortable(const unsigned char* in, std::size_t lines, unsigned char* out);

}  // namespace lumarind::base64
