#include <gtest/gtest.h>

#include "support/SupportFunctions.h"

namespace lumarind {
namespace {

struct PathCase {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* extension;
};

const PathCase kCases[] = {
    {L"C:\\a\\photo.png", L"C:\\a", L"photo.png", L"png"},
    {L"C:/a/b/photo.PNG", L"C:/a/b", L"photo.PNG", L"PNG"},
    {L"C:\\photo.png", L"C:\\", L"photo.png", L"png"},
    {L"C:photo.png", L"C:", L"photo.png", L"png"},
    {L"\\\\server\\share\\dir\\f.tar.gz", L"\\\\server\\share\\dir", L"f.tar.gz", L"gz"},
    {L"\\\\server\\share\\f.txt", L"\\\\server\\share", L"f.txt", L"txt"},
    {L"C:\\my.folder\\README", L"C:\\my.folder", L"README", L""},
    {L"C:\\a\\name.", L"C:\\a", L"name.", L""},
    {L"C:\\a\\.gitignore", L"C:\\a", L".gitignore", L"gitignore"},
    {L"photo.png", L"", L"photo.png", L"png"},
    {L"\\photo.png", L"\\", L"photo.png", L"png"},
    {L"C:\\a b\\Фото отпуска.jpeg", L"C:\\a b", L"Фото отпуска.jpeg", L"jpeg"},
    {L"C:\\a\\", L"C:\\a", L"", L""},
    {L"", L"", L"", L""},
};

TEST(PathParts, SplitWindowsPathsIntoFolderNameAndExtension) {
    for (const PathCase& c : kCases) {
        EXPECT_EQ(tsGetFilePath(c.path), c.folder) << c.path;
        EXPECT_EQ(tsGetFileName(c.path), c.name) << c.path;
        EXPECT_EQ(tsGetFileExtension(c.path), c.extension) << c.path;
    }
}

TEST(PathParts, LongPathsKeepEveryCharacter) {
    std::wstring folder = L"C:";
    for (int i = 0; i < 40; ++i) folder += L"\\folder" + std::to_wstring(i);
    const std::wstring path = folder + L"\\file.bin";
    ASSERT_GT(path.size(), 260u);
    EXPECT_EQ(tsGetFilePath(path), folder);
    EXPECT_EQ(tsGetFileName(path), L"file.bin");
}

}  // namespace
}  // namespace lumarind
