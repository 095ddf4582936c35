// Names for the files --extract writes, taken from pages that anyone may
// have written: the same safe name on Linux and on Windows.
#pragma once

#include <string>
#include <string_view>

namespace lumarind::cli {

// The longest name in UTF-8 bytes, below every system's limit of 255 with
// room for " (NNNN)".
inline constexpr std::size_t kMostNameBytes = 200;

// A name of a file in a folder made of a name from outside (UTF-8): no folder
// separator of either system, no control character or character Windows
// forbids (each becomes '_'), no trailing dots or spaces, never "." or "..",
// nor a name Windows reserves for a device (CON, nul.txt, COM1...), which
// gets a '_' in front, and at most kMostNameBytes, cut before the extension.
// Empty when nothing is left.
std::wstring SafeFileName(std::string_view name);

// "stem (n).ext" for a name "stem.ext".
std::wstring NumberedName(const std::wstring& name, int number);

}  // namespace lumarind::cli
