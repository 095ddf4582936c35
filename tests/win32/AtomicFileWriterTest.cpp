// Replacing a user's file: only its content may change, a link stays a link,
// a device is written straight, and temporary files never get in the way.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>

#include "support/Error.h"
#include "support/win32/AtomicFileWriter.h"
#include "support/win32/FileAccessWin32.h"
#include "support/win32/UniqueHandle.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

ULONGLONG CreationTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
}

bool SetCreationTime(const std::wstring& path, ULONGLONG time) {
    const win32::UniqueFile file(
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME creation{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    return file && SetFileTime(file.get(), &creation, nullptr, nullptr);
}

std::vector<std::wstring> SortedNames(const ScratchFolder& folder) {
    std::vector<std::wstring> names = folder.Names();
    std::sort(names.begin(), names.end());
    return names;
}

void Save(const std::wstring& path, std::wstring_view text) {
    win32::FileAccessWin32 files;
    std::int32_t scratch = 0;
    files.WriteFile(path, text, true, 1, 2, 1, scratch);
}

// The Unix name of a path, under Wine; empty elsewhere.
std::wstring UnixName(const std::wstring& path) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = convert != nullptr ? convert(path.c_str()) : nullptr;
    const std::string text = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return std::wstring(text.begin(), text.end());
}

// Starts a Unix program under Wine and waits until the condition holds:
// Wine cannot wait for a Unix process itself.
bool RunUnixProgram(std::wstring command, const std::function<bool()>& done) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    const win32::UniqueFile processHandle(process.hProcess), threadHandle(process.hThread);
    for (const ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline; Sleep(10)) {
        if (done()) return true;
    }
    return false;
}

// A symbolic link for one test. Windows makes and removes it itself. Wine's
// CreateSymbolicLinkW makes nothing and its DeleteFileW removes the link's
// target, but Wine follows Unix links, which ln and rm make and remove.
class SymbolicLink {
public:
    SymbolicLink(const std::wstring& link, const std::wstring& target) : link_(link) {
        if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
            Exists()) {
            made_ = true;
            return;
        }
        unixLink_ = UnixName(link);
        const std::wstring unixTarget = UnixName(target);
        made_ = !unixLink_.empty() && RunUnixProgram(L"Z:\\bin\\ln -s \"" + unixTarget + L"\" \"" + unixLink_ + L"\"",
                                                     [this] { return Exists(); });
    }
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;
    ~SymbolicLink() {
        if (!made_) return;
        if (unixLink_.empty()) {
            DeleteFileW(link_.c_str());
        } else {
            RunUnixProgram(L"Z:\\bin\\rm -f \"" + unixLink_ + L"\"", [this] { return !Exists(); });
        }
    }
    bool made() const { return made_; }

private:
    bool Exists() const { return Attributes(link_) != INVALID_FILE_ATTRIBUTES; }

    std::wstring link_;
    std::wstring unixLink_;
    bool made_ = false;
};

class AtomicFileWriterTest : public ::testing::Test {
protected:
    ScratchFolder folder;
};

TEST_F(AtomicFileWriterTest, AReplacedFileKeepsItsAttributesAndOnlyItsContentChanges) {
    const std::wstring path = folder / L"kept.txt";
    WriteBytes(path, "old content");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), kCarriedAttributes));
    ASSERT_EQ(Attributes(path) & kCarriedAttributes, kCarriedAttributes);

    Save(path, L"new");
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(Attributes(path) & kCarriedAttributes, kCarriedAttributes);
    EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"kept.txt"});
}

TEST_F(AtomicFileWriterTest, AReplacedFileKeepsItsCreationTime) {
    const std::wstring path = folder / L"born.txt";
    WriteBytes(path, "old content");
    constexpr ULONGLONG kYear2001 = 126227808000000000ull;
    if (!SetCreationTime(path, kYear2001) || CreationTime(path) != kYear2001) {
        // Wine takes creation times from Linux, where no call can set one.
        GTEST_SKIP() << "this file system keeps no creation time that a program can set";
    }
    Save(path, L"new");
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(CreationTime(path), kYear2001);
}

TEST_F(AtomicFileWriterTest, ANewFileIsPlainAndATemporaryFileIsHiddenWhileItExists) {
    const std::wstring path = folder / L"fresh.txt";
    {
        win32::AtomicFileWriter writer(path);
        writer.Write("part");
        const std::vector<std::wstring> names = folder.Names();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].rfind(L"~lumarind-", 0), 0u);
        EXPECT_NE(Attributes(folder / names[0]) & FILE_ATTRIBUTE_HIDDEN, 0u);
        // Dropped without Commit: nothing is left.
    }
    EXPECT_TRUE(folder.Names().empty());

    Save(path, L"whole");
    EXPECT_EQ(ReadBytes(path), "whole");
    EXPECT_EQ(Attributes(path) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
    EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"fresh.txt"});
}

TEST_F(AtomicFileWriterTest, ATemporaryNameLeftByAKilledSaveIsSkipped) {
    const std::wstring path = folder / L"target.txt";
    WriteBytes(path, "old");
    WriteBytes(folder / L"stale.tmp", "left behind");
    std::deque<std::wstring> names{L"stale.tmp", L"next.tmp"};
    {
        win32::AtomicFileWriter writer(path, [&] {
            const std::wstring name = names.front();
            names.pop_front();
            return name;
        });
        writer.Write("new");
        writer.Commit();
    }
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(ReadBytes(folder / L"stale.tmp"), "left behind");
    EXPECT_EQ(SortedNames(folder), (std::vector<std::wstring>{L"stale.tmp", L"target.txt"}));

    const std::wstring first = win32::AtomicFileWriter::UniqueTemporaryName();
    EXPECT_NE(first, win32::AtomicFileWriter::UniqueTemporaryName());
}

TEST_F(AtomicFileWriterTest, SavingThroughALinkReplacesItsTargetAndTheLinkStays) {
    const std::wstring target = folder / L"target.txt";
    const std::wstring link = folder / L"link.txt";
    WriteBytes(target, "old");
    const SymbolicLink symbolicLink(link, target);
    if (!symbolicLink.made()) GTEST_SKIP() << "no symbolic links here";

    Save(link, L"new");
    EXPECT_EQ(ReadBytes(target), "new");
    // Still a link: a change to the target shows through it.
    WriteBytes(target, "later");
    EXPECT_EQ(ReadBytes(link), "later");
    EXPECT_EQ(SortedNames(folder), (std::vector<std::wstring>{L"link.txt", L"target.txt"}));
}

TEST_F(AtomicFileWriterTest, DevicesAreWrittenStraight) {
    EXPECT_NO_THROW(Save(L"NUL", L"data:;base64,\r\nAAAA"));
    EXPECT_NO_THROW(Save(L"\\\\.\\NUL", L"data:;base64,AAAA"));
    EXPECT_NO_THROW(Save(folder / L"NUL", L"x"));
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(AtomicFileWriterTest, AFolderInPlaceOfTheFileIsRefusedAsWindowsRefusesIt) {
    CreateDirectoryW((folder / L"sub").c_str(), nullptr);
    try {
        Save(folder / L"sub", L"x");
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), static_cast<std::int32_t>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"sub"});
}

}  // namespace
}  // namespace lumarind
