// The paths of files dropped on a window that called DragAcceptFiles.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace lumarind::win32 {

// Reads the full paths, in the order the drop gives them, and releases the
// drop (DragFinish), also when reading fails.
std::vector<std::wstring> TakeDroppedFiles(HDROP drop);

}  // namespace lumarind::win32
