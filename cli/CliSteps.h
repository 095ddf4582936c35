// What every step of lumarind-cli shares: a failure that names the action
// and the file.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "support/Error.h"

namespace lumarind::cli {

inline constexpr char kCannotRead[] = "cannot read";
inline constexpr char kCannotWrite[] = "cannot write";
// Names no file: the clipboard is the one place it writes to.
inline constexpr char kCannotCopy[] = "cannot copy to the clipboard";

// A file that another program changed between two looks at it.
inline Error ChangedWhileReadError() {
    return Error(errors::kUnexpected, L"the file changed while it was read; run the command again");
}

struct Failure {
    std::string action;
    // Empty: standard input or output.
    std::wstring path;
    Error error;
};

// Runs a step; whatever it throws becomes a Failure of that action on that file.
template <typename Step>
void Doing(const char* action, const std::wstring& path, Step&& step) {
    try {
        step();
    } catch (const Error& error) {
        throw Failure{action, path, error};
    } catch (const std::bad_alloc&) {
        throw Failure{action, path, OutOfMemoryError()};
    } catch (const std::length_error&) {
        throw Failure{action, path, OutOfMemoryError()};
    }
}

}  // namespace lumarind::cli
