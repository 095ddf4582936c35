// Text for the user on a standard handle: a console shows UTF-8 bytes in
// its own code page (Cyrillic names come out garbled), so a console gets
// the text as UTF-16 through WriteConsoleW; a pipe or a file gets the
// UTF-8 bytes unchanged.
#pragma once

#include <windows.h>

#include <string_view>

namespace lumarind::cli {

// Throws lumarind::Error when the write fails.
void WriteUtf8Text(HANDLE handle, std::string_view text);

}  // namespace lumarind::cli
