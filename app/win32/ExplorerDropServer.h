// Explorer's "copy as data URL" for several files at once. A verb's command
// line starts one process per selected file, each of which would replace
// the clipboard of the one before; a verb with a DropTarget instead hands
// the whole selection to one object, as a drop. Explorer starts this
// program as that object's local COM server ("-Embedding"), drops the
// selection on it, and the files go on the clipboard together.
#pragma once

#include <windows.h>

#include <string>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// The class Explorer creates, registered by the installer under the verb's
// DropTarget and as this program's LocalServer32.
// {B82093AB-16BF-4904-A7F7-2452F2798C34}
inline constexpr CLSID kCopyDropTargetClass = {
    0xB82093AB, 0x16BF, 0x4904, {0xA7, 0xF7, 0x24, 0x52, 0xF2, 0x79, 0x8C, 0x34}};

// What COM passes to a local server it starts, after "-" or "/".
inline constexpr wchar_t kEmbeddingSwitch[] = L"Embedding";

inline bool IsEmbeddingSwitch(const std::wstring& argument) {
    return !argument.empty() && (argument[0] == L'-' || argument[0] == L'/') &&
           _wcsicmp(argument.c_str() + 1, kEmbeddingSwitch) == 0;
}

// Serves one drop, then copies what was dropped; the exit status. Without a
// drop within a minute it gives up.
int ServeExplorerDrop(Components& components);

}  // namespace lumarind::win32
