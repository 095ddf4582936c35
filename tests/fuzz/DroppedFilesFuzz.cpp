// The memory a drop hands over: any block of any size. A block is taken
// only when its names, written out again, are the list it holds.
#include <cstring>
#include <string>
#include <vector>

#include "support/portable/DroppedFileList.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

template <typename Char>
std::string ListBytes(const std::vector<std::basic_string<Char>>& names) {
    std::string bytes;
    const auto append = [&bytes](Char c) {
        for (std::size_t b = 0; b < sizeof(Char); ++b) bytes += static_cast<char>((c >> (8 * b)) & 0xFF);
    };
    for (const auto& name : names) {
        Require(!name.empty(), "no name is empty");
        for (const Char c : name) append(c);
        append(0);
    }
    append(0);
    return bytes;
}

std::uint32_t Uint32At(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the size given, so that reading past it is caught.
    const std::vector<unsigned char> block(data, data + size);
    const DroppedFileNames names = ParseDroppedFileList(block.data(), block.size());
    Require(names.wide.empty() || names.narrow.empty(), "one kind of names");
    if (names.wide.empty() && names.narrow.empty()) return 0;

    const bool wide = Uint32At(data + 16) != 0;
    const std::string list = wide ? ListBytes(names.wide) : ListBytes(names.narrow);
    const std::size_t offset = Uint32At(data);
    Require(offset >= kDropHeaderSize && offset + list.size() <= size, "the names lie inside the block");
    Require(std::memcmp(data + offset, list.data(), list.size()) == 0, "the names are the list the block holds");
    return 0;
}
