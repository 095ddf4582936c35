#include "app/win32/DroppedFiles.h"

#include <shlobj.h>

#include "support/portable/DroppedFileList.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {
namespace {

using UniqueDrop = UniqueHandle<NullIsInvalid<HDROP, DragFinish>>;

static_assert(sizeof(DROPFILES) == kDropHeaderSize, "the portable reader knows the header's layout");

// The names the block holds, read by the portable parser rather than by
// DragQueryFileW: Wine's virtual desktop posts a drop with memory of the
// desktop's own process, which here is garbage, and DragQueryFileW would
// read past it.
DroppedFileNames ReadNames(HDROP drop) {
    const auto* data = static_cast<const unsigned char*>(GlobalLock(drop));
    if (data == nullptr) return {};
    DroppedFileNames names = ParseDroppedFileList(data, GlobalSize(drop));
    GlobalUnlock(drop);
    return names;
}

std::wstring FromCodePage(const std::string& name) {
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length)));
    return wide;
}

}  // namespace

std::vector<std::wstring> TakeDroppedFiles(HDROP drop) {
    const UniqueDrop owned(drop);
    const DroppedFileNames names = ReadNames(drop);
    std::vector<std::wstring> paths;
    for (const std::u16string& name : names.wide) paths.emplace_back(name.begin(), name.end());
    for (const std::string& name : names.narrow) paths.push_back(FromCodePage(name));
    return paths;
}

}  // namespace lumarind::win32
