#pragma once

#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {

// The window's font, the one every control uses, for a window at this DPI.
UniqueGdiObject CreateWindowFont(int dpi);

}  // namespace lumarind::win32
