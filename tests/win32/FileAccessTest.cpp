#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "support/win32/FileAccessWin32.h"
#include "support/win32/LongPath.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

class FileAccessTest : public ::testing::Test {
protected:
    std::string Read(const std::wstring& path) {
        std::int32_t a = 0, b = 0, c = 0;
        bool d = false;
        return files.ReadFile(path, true, 1, 0, 0, a, b, c, d);
    }
    void Write(const std::wstring& path, std::wstring_view text) {
        std::int32_t scratch = 0;
        files.WriteFile(path, text, true, 1, 2, 1, scratch);
    }
    std::int32_t ReadError(const std::wstring& path) {
        try {
            Read(path);
        } catch (const Error& error) {
            EXPECT_FALSE(error.description().empty());
            return error.number();
        }
        ADD_FAILURE() << "no error";
        return 0;
    }

    win32::FileAccessWin32 files;
    ScratchFolder folder;
};

TEST_F(FileAccessTest, ReadsEveryByteValueAndEmptyFilesExactly) {
    std::string every;
    for (int round = 0; round < 3; ++round) {
        for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    }
    WriteBytes(folder / L"every.bin", every);
    EXPECT_EQ(Read(folder / L"every.bin"), every);
    WriteBytes(folder / L"empty", "");
    EXPECT_EQ(Read(folder / L"empty"), "");
}

TEST_F(FileAccessTest, ReadsAFileThatAnotherProgramHasOpenForWriting) {
    const std::wstring path = folder / L"busy.log";
    WriteBytes(path, "partial");
    const win32::UniqueFile writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(Read(path), "partial");
}

TEST_F(FileAccessTest, ReadFailuresThrowWithTheSystemsReason) {
    EXPECT_EQ(ReadError(folder / L"missing.png"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadError(folder / L"no-folder\\x.png"), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ReadError(folder.path()), ERROR_ACCESS_DENIED);
    const std::wstring locked = folder / L"locked.bin";
    WriteBytes(locked, "x");
    const win32::UniqueFile holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(ReadError(locked), ERROR_SHARING_VIOLATION);
}

TEST_F(FileAccessTest, WriteReplacesAnExistingFileWholeAsUtf8WithoutBom) {
    const std::wstring path = folder / L"out.txt";
    WriteBytes(path, std::string(5000, 'z'));
    Write(path, L"data:;base64,\r\nAAAA");
    EXPECT_EQ(ReadBytes(path), "data:;base64,\r\nAAAA");
    Write(path, L"Ж");
    EXPECT_EQ(ReadBytes(path), "\xD0\x96");
    Write(path, L"");
    EXPECT_EQ(ReadBytes(path), "");
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"out.txt"});
}

TEST_F(FileAccessTest, WritesLargeTextsInFull) {
    std::wstring text(3'000'001, L'A');
    text[1'048'575] = L'\r';
    text.back() = L'=';
    const std::wstring path = folder / L"large.txt";
    Write(path, text);
    const std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), text.size());
    EXPECT_EQ(bytes[1'048'575], '\r');
    EXPECT_EQ(bytes.back(), '=');
}

TEST_F(FileAccessTest, WritesBothFormsOfWideAndNarrowTextsEvenWhereABreakStraddlesASlice) {
    std::wstring text = L"data:;base64,\r\n";
    while (text.size() < 3'000'000) text += std::wstring(76, L'Q') + L"\r\n";
    text.resize(text.size() - 2);
    // A CR LF pair exactly where the writer cuts its first slice.
    text[(1u << 20) - 1] = L'\r';
    text[1u << 20] = L'\n';
    const std::string narrow(text.begin(), text.end());
    std::string oneLine;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        else oneLine += static_cast<char>(text[i]);
    }
    const std::wstring path = folder / L"one-line.txt";
    for (const TextForm form : {TextForm::kOneLine, TextForm::kAsIs}) {
        const std::string& expected = form == TextForm::kOneLine ? oneLine : narrow;
        std::int32_t scratch = 0;
        files.WriteFile(path, text, true, 1, 2, 1, scratch, form);
        EXPECT_TRUE(ReadBytes(path) == expected);
        files.WriteText(path, TextView(std::wstring_view(text)), form);
        EXPECT_TRUE(ReadBytes(path) == expected);
        files.WriteText(path, TextView(std::string_view(narrow)), form);
        EXPECT_TRUE(ReadBytes(path) == expected);
    }
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"one-line.txt"});
}

TEST_F(FileAccessTest, WritesADocumentHeldAsBytesAndACancelledWriteLeavesTheOldFileAlone) {
    std::string bytes(3'000'000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + i / 7);
    const DocumentText document(EncodedText{L"data:a/b;base64,\r\n", std::make_shared<const ContentBytes>(bytes)});
    const std::wstring whole = document.View().Widened();
    const std::wstring path = folder / L"saved.txt";
    for (const TextForm form : {TextForm::kAsIs, TextForm::kOneLine}) {
        std::int32_t scratch = 0;
        files.WriteFile(path, whole, true, 1, 2, 1, scratch, form);
        const std::string expected = ReadBytes(path);
        WriteBytes(path, "old content");
        WorkProgress progress;
        files.WriteText(path, document.View(), form, &progress);
        EXPECT_TRUE(ReadBytes(path) == expected);
        EXPECT_EQ(progress.Done(), WorkProgress::kWhole);
    }
    WriteBytes(path, "old content");
    WorkProgress cancelled;
    cancelled.Cancel();
    try {
        files.WriteText(path, document.View(), TextForm::kAsIs, &cancelled);
        ADD_FAILURE() << "a cancelled write went on";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), errors::kCancelled);
    }
    EXPECT_EQ(ReadBytes(path), "old content");
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"saved.txt"});
}

TEST_F(FileAccessTest, OpenContentGivesTheSizeAtOpeningAndReadsWhatIsThere) {
    const std::wstring path = folder / L"shrinking.bin";
    const std::string bytes(3 * 57 * 4096, 'b');
    WriteBytes(path, bytes);
    const std::unique_ptr<FileContent> content = files.OpenContent(path);
    EXPECT_EQ(content->Size(), bytes.size());
    // Another program cuts the file short while it is open for reading.
    const win32::UniqueFile writer(CreateFileW(path.c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    LARGE_INTEGER end{};
    end.QuadPart = 5;
    ASSERT_TRUE(SetFilePointerEx(writer.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(writer.get()));
    std::string read(bytes.size(), '\0');
    std::size_t done = 0;
    while (const std::size_t count = content->Read(read.data() + done, read.size() - done)) done += count;
    EXPECT_EQ(read.substr(0, done), "bbbbb");
    EXPECT_THROW(files.OpenContent(folder.path()), Error);
    EXPECT_THROW(files.OpenContent(folder / L"missing.png"), Error);
}

TEST_F(FileAccessTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::wstring path = folder / L"keep.txt";
    WriteBytes(path, "old content");

    // Read-only target.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(Write(path, L"new"), Error);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(path), "old content");

    // Target held open without sharing by another program.
    {
        const win32::UniqueFile holder(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_THROW(Write(path, L"new"), Error);
    }
    EXPECT_EQ(ReadBytes(path), "old content");

    // A folder where the file should be, and a folder that does not exist.
    CreateDirectoryW((folder / L"sub").c_str(), nullptr);
    EXPECT_THROW(Write(folder / L"sub", L"new"), Error);
    EXPECT_THROW(Write(folder / L"missing\\x.txt", L"new"), Error);

    std::vector<std::wstring> names = folder.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"keep.txt", L"sub"}));
}

TEST_F(FileAccessTest, CyrillicAndLongPathsWorkForReadAndWrite) {
    ScratchFolder cyrillic(L" Папка с данными");
    const std::wstring path = cyrillic / L"Фото отпуска.png";
    Write(path, L"data:image/png;base64,\r\nAAAA");
    EXPECT_EQ(Read(path), "data:image/png;base64,\r\nAAAA");

    std::wstring deep = folder.path();
    while (deep.size() < 300) {
        deep += L"\\long-folder-name-for-testing";
        CreateDirectoryW(win32::ExtendedPath(deep).c_str(), nullptr);
    }
    const std::wstring longPath = deep + L"\\file.bin";
    ASSERT_GT(longPath.size(), 300u);
    Write(longPath, L"long");
    EXPECT_EQ(Read(longPath), "long");
    Write(longPath, L"replaced");
    EXPECT_EQ(Read(longPath), "replaced");
}

}  // namespace
}  // namespace lumarind
