// The loop every writer shares, for files, pipes and the console alike: the
// text goes out in pieces until every unit is taken. A write that reports
// success but takes nothing would be asked again forever; it is an error.
#pragma once

#include <cstddef>
#include <string_view>

#include "support/Error.h"

namespace lumarind {

// writePiece(data, count) writes up to count units (count <= most) and
// returns how many it took, or throws; nothingWritten() is the error when it
// takes none.
template <typename Char, typename WritePiece, typename NothingWritten>
void WriteEverything(std::basic_string_view<Char> text, std::size_t most, WritePiece&& writePiece,
                     NothingWritten&& nothingWritten) {
    while (!text.empty()) {
        const std::size_t taken = writePiece(text.data(), text.size() < most ? text.size() : most);
        if (taken == 0) throw nothingWritten();
        text.remove_prefix(taken < text.size() ? taken : text.size());
    }
}

}  // namespace lumarind
