#pragma once

#include <exception>

namespace lumarind::win32 {

// The top-level handler: an error that no handler trapped is shown with the
// application title, its number and description and the critical icon.
// The caller then ends the program.
void ShowUntrappedError(std::exception_ptr error) noexcept;

}  // namespace lumarind::win32
