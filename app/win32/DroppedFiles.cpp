#include "app/win32/DroppedFiles.h"

#include <shlobj.h>

#include <cstring>

#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {
namespace {

using UniqueDrop = UniqueHandle<NullIsInvalid<HDROP, DragFinish>>;

constexpr UINT kCountFiles = 0xFFFFFFFF;

// True when the list of names ends, with its empty name, inside the block.
template <typename Char>
bool ListEndsInside(const unsigned char* list, std::size_t bytes) {
    const std::size_t count = bytes / sizeof(Char);
    Char previous = 1;
    for (std::size_t index = 0; index < count; ++index) {
        Char c;
        std::memcpy(&c, list + index * sizeof(Char), sizeof c);
        if (c == 0 && previous == 0) return true;
        previous = c;
    }
    return false;
}

// Wine's virtual desktop posts a drop with memory of the desktop's own
// process, which here is garbage; DragQueryFileW would read past it.
bool IsWellFormed(HDROP drop) {
    const SIZE_T size = GlobalSize(drop);
    if (size < sizeof(DROPFILES)) return false;
    const auto* data = static_cast<const unsigned char*>(GlobalLock(drop));
    if (data == nullptr) return false;
    DROPFILES header;
    std::memcpy(&header, data, sizeof header);
    const bool wellFormed =
        header.pFiles >= sizeof(DROPFILES) && header.pFiles < size &&
        (header.fWide ? ListEndsInside<wchar_t>(data + header.pFiles, size - header.pFiles)
                      : ListEndsInside<char>(data + header.pFiles, size - header.pFiles));
    GlobalUnlock(drop);
    return wellFormed;
}

}  // namespace

std::vector<std::wstring> TakeDroppedFiles(HDROP drop) {
    const UniqueDrop owned(drop);
    std::vector<std::wstring> paths;
    if (!IsWellFormed(drop)) return paths;
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
