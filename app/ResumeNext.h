// The form's "resume next" error mode: a step that fails is abandoned, its
// error becomes the current error, and the caller goes on with the next step.
#pragma once

#include <new>
#include <optional>

#include "support/Error.h"

namespace lumarind {

// Runs one step; the error it raised, if any. Running out of memory is an
// error like any other here, never a crash.
template <typename Step>
std::optional<Error> RunStep(Step&& step) {
    try {
        step();
        return std::nullopt;
    } catch (const Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return OutOfMemoryError();
    }
}

}  // namespace lumarind
