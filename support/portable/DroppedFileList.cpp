#include "support/portable/DroppedFileList.h"

#include <cstdint>

namespace lumarind {
namespace {

constexpr std::size_t kListOffsetAt = 0;
constexpr std::size_t kWideFlagAt = 16;

std::uint32_t ReadUint32(const unsigned char* at) {
    // Little-endian, as every Windows machine stores it.
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

// A code unit read byte by byte: the list need not be aligned.
template <typename Char>
Char UnitAt(const unsigned char* at) {
    if constexpr (sizeof(Char) == 1) {
        return static_cast<Char>(at[0]);
    } else {
        return static_cast<Char>(at[0] | at[1] << 8);
    }
}

// The names up to the empty one; false when the list runs past the block
// first.
template <typename Char>
bool ReadNames(const unsigned char* list, std::size_t bytes, std::vector<std::basic_string<Char>>& names) {
    const std::size_t count = bytes / sizeof(Char);
    std::basic_string<Char> name;
    for (std::size_t index = 0; index < count; ++index) {
        const Char c = UnitAt<Char>(list + index * sizeof(Char));
        if (c != 0) {
            name += c;
        } else if (name.empty()) {
            return true;
        } else {
            names.push_back(std::move(name));
            name.clear();
        }
    }
    names.clear();
    return false;
}

}  // namespace

DroppedFileNames ParseDroppedFileList(const unsigned char* block, std::size_t size) {
    DroppedFileNames names;
    if (block == nullptr || size < kDropHeaderSize) return names;
    const std::size_t listOffset = ReadUint32(block + kListOffsetAt);
    if (listOffset < kDropHeaderSize || listOffset >= size) return names;
    const unsigned char* list = block + listOffset;
    const std::size_t listBytes = size - listOffset;
    if (ReadUint32(block + kWideFlagAt) != 0) {
        ReadNames(list, listBytes, names.wide);
    } else {
        ReadNames(list, listBytes, names.narrow);
    }
    return names;
}

}  // namespace lumarind
