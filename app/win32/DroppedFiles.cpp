#include "app/win32/DroppedFiles.h"

#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {
namespace {

using UniqueDrop = UniqueHandle<NullIsInvalid<HDROP, DragFinish>>;

constexpr UINT kCountFiles = 0xFFFFFFFF;

}  // namespace

std::vector<std::wstring> TakeDroppedFiles(HDROP drop) {
    const UniqueDrop owned(drop);
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, kCountFiles, nullptr, 0);
    paths.reserve(count);
    for (UINT index = 0; index < count; ++index) {
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
        path.resize(DragQueryFileW(drop, index, path.data(), length + 1));
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace lumarind::win32
