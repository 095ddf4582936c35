// The Explorer command "copy as data URL" (Lumarind.exe /copy FILE...): the
// one-line data URL of each file on the clipboard, one line each when there
// are several, exactly as lumarind-cli -1 writes them. No window.
#pragma once

#include <string>
#include <vector>

#include "support/ComponentObjects.h"

namespace lumarind {

// The switch Explorer's command passes before the files.
inline constexpr wchar_t kCopySwitch[] = L"/copy";

// False when a file could not be read or the clipboard not written; a box
// has then said why, and the clipboard keeps what it had.
bool CopyFilesAsDataUrls(const std::vector<std::wstring>& paths, Components& components);

}  // namespace lumarind
