// An error as the user reads it: the program's own running out of memory
// is told in the user's language, every other error as it stands.
#pragma once

#include "support/Error.h"

namespace lumarind {

inline Error InUserTerms(const Error& error, const wchar_t* outOfMemoryText) {
    return error.number() == errors::kOutOfMemory ? Error(errors::kOutOfMemory, outOfMemoryText) : error;
}

}  // namespace lumarind
