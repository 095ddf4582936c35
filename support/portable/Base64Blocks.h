#pragma once

#include <cstddef>

namespace lumarind::base64 {

// Encodes `lines` whole runs of 57 bytes into 76 ASCII characters each,
// written one after another without breaks. Uses SSSE3 when the processor
// has it (checked at run time) and plain C++ otherwise; the output is the
// same either way.
void EncodeWholeLines(const unsigned char* in, std::size_t lines, unsigned char* out);

// The plain C++ version, for tests that compare the two.
void EncodeWholeLinesPortable(const unsigned char* in, std::size_t lines, unsigned char* out);

}  // namespace lumarind::base64
