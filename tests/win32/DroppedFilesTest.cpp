#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/win32/DroppedFiles.h"

namespace lumarind {
namespace {

// The memory of a drop as the shell hands it over: a DROPFILES header and
// the list of names, which TakeDroppedFiles then owns.
HDROP MakeDrop(DWORD listOffset, bool wide, const std::string& listBytes, std::size_t size) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* data = static_cast<unsigned char*>(GlobalLock(memory));
    DROPFILES header{};
    header.pFiles = listOffset;
    header.fWide = wide;
    std::memcpy(data, &header, std::min(size, sizeof header));
    if (listOffset < size) {
        std::memcpy(data + listOffset, listBytes.data(), std::min(listBytes.size(), size - listOffset));
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::string WideBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

struct DropCase {
    const char* name;
    DWORD listOffset;
    bool wide;
    std::string list;
    std::size_t size;  // 0: header and list exactly
    std::vector<std::wstring> expected;
};

class DroppedFilesTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DroppedFilesTest, GivesThePathsOfAWellFormedDropAndNothingElse) {
    const DropCase& c = GetParam();
    const std::size_t size = c.size != 0 ? c.size : c.listOffset + c.list.size();
    EXPECT_EQ(win32::TakeDroppedFiles(MakeDrop(c.listOffset, c.wide, c.list, size)), c.expected);
}

const DWORD kHeader = sizeof(DROPFILES);
const std::wstring kPhoto = L"C:\\Фото\\снимок 1.png";

INSTANTIATE_TEST_SUITE_P(
    Drops, DroppedFilesTest,
    ::testing::Values(
        DropCase{"TwoWideNamesInOrder", kHeader, true, WideBytes(kPhoto + L'\0' + L"D:\\b.gif" + L'\0' + L'\0'), 0,
                 {kPhoto, L"D:\\b.gif"}},
        DropCase{"NarrowNames", kHeader, false, std::string("C:\\a.txt\0\0", 10), 0, {L"C:\\a.txt"}},
        DropCase{"EmptyList", kHeader, true, WideBytes(std::wstring(2, L'\0')), 0, {}},
        DropCase{"ListPastTheMemory", 4096, true, "", kHeader + 16, {}},
        DropCase{"ListInsideTheHeader", 4, true, "", kHeader + 16, {}},
        DropCase{"ListWithoutItsEnd", kHeader, true, WideBytes(L"C:\\a.txt"), 0, {}},
        DropCase{"MemorySmallerThanTheHeader", kHeader, true, "", 8, {}}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumarind
