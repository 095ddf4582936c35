// The memory block a drop hands over (the shell's CF_HDROP format): a
// DROPFILES header, then the names at the offset it gives, each ended by a
// NUL and the list by an empty name. The names are UTF-16 when the header's
// fWide says so and in the system's code page otherwise. The block comes
// from another program (or, under Wine's virtual desktop, from nowhere
// sensible), so nothing in it is trusted.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lumarind {

// The size of DROPFILES: pFiles (4 bytes), pt (8), fNC (4), fWide (4).
inline constexpr std::size_t kDropHeaderSize = 20;

// The names of a well-formed block, in its order; both lists are empty when
// the header or the list's end lies outside the block. Only one of them is
// filled, as the header says.
struct DroppedFileNames {
    std::vector<std::u16string> wide;
    std::vector<std::string> narrow;
};
DroppedFileNames ParseDroppedFileList(const unsigned char* block, std::size_t size);

}  // namespace lumarind
