// The file names in a CF_HDROP block, from a drop or the clipboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lumarind::win32 {

// Full paths in the block's order; none when it cannot be read.
std::vector<std::wstring> FileNamesInBlock(HGLOBAL block);

}  // namespace lumarind::win32
