#pragma once

#include <string>

namespace lumarind::win32 {

// The full form of a path, in the "\\?\" form when it is too long for the
// classic API, so that paths past 260 characters work without a manifest.
std::wstring ExtendedPath(const std::wstring& path);

// The full path of the running program, and its folder without a trailing
// separator.
std::wstring ProgramPath();
std::wstring ProgramFolder();

}  // namespace lumarind::win32
