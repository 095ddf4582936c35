#pragma once

#include <string>

namespace lumarind::win32 {

// The full form of a path, in the "\\?\" form when it is too long for the
// classic API, so that paths past 260 characters work without a manifest.
std::wstring ExtendedPath(const std::wstring& path);

// The folder of the running program, without a trailing separator.
std::wstring ProgramFolder();

}  // namespace lumarind::win32
