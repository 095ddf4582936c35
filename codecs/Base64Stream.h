// Base64 of a content handed over in pieces of any size: the same text as for
// the content whole, so that a file can be read straight into its encoding
// without ever being held whole. Bytes of an unfinished line wait in the
// stream for the next piece.
#pragma once

#include <cstddef>

#include "codecs/Base64Blocks.h"

namespace lumarind::base64 {

class Base64Stream {
public:
    explicit Base64Stream(Lines lines, const Kernel& kernel = BestKernel()) : lines_(lines), kernel_(kernel) {}

    // The most characters Add writes for count bytes, and Finish for none.
    static std::size_t MostCharacters(std::size_t count);
    // Writes the characters of the whole lines now complete; returns their end.
    char* Add(const void* bytes, std::size_t count, char* out);
    // Writes the rest, padding included; returns its end.
    char* Finish(char* out);

private:
    // Whole lines, after a line break when lines came before.
    char* WriteLines(const unsigned char* in, std::size_t count, char* out);

    Lines lines_;
    const Kernel& kernel_;
    unsigned char waiting_[kBytesPerLine];
    std::size_t waitingCount_ = 0;
    bool started_ = false;
};

}  // namespace lumarind::base64
