#include "support/win32/FileListBlock.h"

#include <shlobj.h>

#include "support/portable/DroppedFileList.h"

namespace lumarind::win32 {
namespace {

static_assert(sizeof(DROPFILES) == kDropHeaderSize, "the portable reader knows the header's layout");

std::wstring FromCodePage(const std::string& name) {
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length)));
    return wide;
}

}  // namespace

// Read by the portable parser rather than by DragQueryFileW: Wine's virtual
// desktop posts a drop with memory of the desktop's own process, which here
// is garbage, and DragQueryFileW would read past it.
std::vector<std::wstring> FileNamesInBlock(HGLOBAL block) {
    const auto* data = static_cast<const unsigned char*>(GlobalLock(block));
    if (data == nullptr) return {};
    const DroppedFileNames names = ParseDroppedFileList(data, GlobalSize(block));
    GlobalUnlock(block);
    std::vector<std::wstring> paths;
    for (const std::u16string& name : names.wide) paths.emplace_back(name.begin(), name.end());
    for (const std::string& name : names.narrow) paths.push_back(FromCodePage(name));
    return paths;
}

}  // namespace lumarind::win32
