#include "app/win32/DroppedFiles.h"

#include "support/win32/FileListBlock.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {
namespace {

using UniqueDrop = UniqueHandle<NullIsInvalid<HDROP, DragFinish>>;

}  // namespace

std::vector<std::wstring> TakeDroppedFiles(HDROP drop) {
    const UniqueDrop owned(drop);
    return FileNamesInBlock(drop);
}

}  // namespace lumarind::win32
