// Text read in pieces by a reader that may stop short of a piece's end for
// want of the text after it (an escape, a look-ahead). What it left is kept
// and read again with the start of the next piece, a little at a time, until
// the two join; then the rest of the piece is read where it lies.
#pragma once

#include <cstddef>
#include <string>

namespace lumarind {

// run(text, count) reads on from text and returns how much of it it took.
template <typename Run>
void ReadCarrying(std::string& carry, const char* text, std::size_t count, std::size_t most, Run run) {
    while (!carry.empty() && count != 0) {
        const std::size_t old = carry.size();
        const std::size_t take = count < most ? count : most;
        carry.append(text, take);
        text += take;
        count -= take;
        const std::size_t used = run(carry.data(), carry.size());
        if (used >= old) {
            const std::size_t back = carry.size() - used;
            text -= back;
            count += back;
            carry.clear();
        } else {
            carry.erase(0, used);
        }
    }
    if (carry.empty() && count != 0) {
        const std::size_t used = run(text, count);
        carry.assign(text + used, count - used);
    }
}

}  // namespace lumarind
