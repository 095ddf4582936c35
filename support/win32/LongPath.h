#pragma once

#include <string>

namespace lumarind::win32 {

// The full form of a path, always in the "\\?\" form, so that no path is
// too long for the file API, whatever its length and whatever names a save
// adds beside it, without a manifest. A device (NUL, \\.\COM1) stays as
// the system names it.
std::wstring ExtendedPath(const std::wstring& path);
// The same path as the user knows it, without the "\\?\" form.
std::wstring UsualPath(const std::wstring& path);

// The full path of the running program, and its folder without a trailing
// separator.
std::wstring ProgramPath();
std::wstring ProgramFolder();

}  // namespace lumarind::win32
