// Turning Win32 failures into lumarind::Error: the code from GetLastError (or
// a returned status) and the system's text for it.
#pragma once

#include <windows.h>

#include <string>

#include "support/Error.h"

namespace lumarind::win32 {

// The system's text for a Win32 error code, without the trailing line break.
std::wstring SystemMessage(DWORD code);

Error ErrorFromCode(DWORD code);

// Call on the line right after the failing call, before anything can change
// the thread's last error.
[[noreturn]] void ThrowLastError();
[[noreturn]] void ThrowCode(DWORD code);

}  // namespace lumarind::win32
