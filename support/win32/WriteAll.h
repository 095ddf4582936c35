#pragma once

#include <windows.h>

#include <string_view>

namespace lumarind::win32 {

// Writes every byte to a file, pipe or device handle; WriteFile moves at
// most a DWORD at a time, and a pipe may take less than it is given. A
// write that takes nothing is ERROR_WRITE_FAULT rather than a loop.
void WriteAll(HANDLE handle, std::string_view bytes);

}  // namespace lumarind::win32
