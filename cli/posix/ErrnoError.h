// A failed POSIX call as the program's one error type: the errno value and
// the system's text for it.
#pragma once

#include <cstring>

#include "support/Error.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {

inline Error ErrnoError(int code) { return Error(code, FromUtf8(std::strerror(code))); }

[[noreturn]] inline void ThrowErrno(int code) { throw ErrnoError(code); }

}  // namespace lumarind::cli
