// Replacing a user's file: only its content may change, a link stays a link,
// a device is written straight, and temporary files never get in the way.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

#include "support/Error.h"
#include "support/win32/AtomicFileWriter.h"
#include "support/win32/FileAccessWin32.h"
#include "support/win32/LongPath.h"
#include "support/win32/UniqueHandle.h"
#include "tests/win32/RunProcess.h"
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
        unixLink_ = testing::UnixName(link);
        const std::wstring unixTarget = testing::UnixName(target);
        made_ = !unixLink_.empty() && testing::RunUnixProgram(L"Z:\\bin\\ln -s \"" + unixTarget + L"\" \"" + unixLink_ + L"\"",
                                                     [this] { return Exists(); });
    }
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;
    ~SymbolicLink() {
        if (!made_) return;
        if (unixLink_.empty()) {
            DeleteFileW(link_.c_str());
        } else {
            testing::RunUnixProgram(L"Z:\\bin\\rm -f \"" + unixLink_ + L"\"", [this] { return !Exists(); });
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
    // Saves "new" over the target through a ReplaceFileW that does what
    // fake says; the error the save ends with, 0 for none.
    DWORD SaveReplacingWith(const std::wstring& path, const win32::AtomicFileWriter::ReplaceCall& fake) {
        try {
            win32::AtomicFileWriter writer(path, win32::AtomicFileWriter::UniqueTemporaryName, fake);
            writer.Write("new");
            writer.Commit();
        } catch (const Error& error) {
            lastError = error;
            return static_cast<DWORD>(error.number());
        }
        return 0;
    }

    ScratchFolder folder;
    Error lastError{0, L""};
};

// A ReplaceFileW that fails with code, having done what its documentation
// says that failure leaves behind.
win32::AtomicFileWriter::ReplaceCall FailingReplace(DWORD code, std::function<void(const wchar_t*)> leaves) {
    return [code, leaves](const wchar_t* replaced, const wchar_t*) {
        leaves(replaced);
        SetLastError(code);
        return FALSE;
    };
}

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

TEST_F(AtomicFileWriterTest, EveryReplaceFailureLeavesTheOldOrTheNewContentUnderTheName) {
    const std::wstring path = folder / L"target.txt";
    const std::wstring elsewhere = folder / L"where-the-system-put-it";
    struct Case {
        DWORD code;
        std::function<void(const wchar_t*)> leaves;
        DWORD reported;
        const char* content;
    };
    const Case cases[] = {
        // Both files keep their names: the old content stays, the error is told.
        {ERROR_UNABLE_TO_REMOVE_REPLACED, [](const wchar_t*) {}, ERROR_UNABLE_TO_REMOVE_REPLACED, "old"},
        {ERROR_DISK_FULL, [](const wchar_t*) {}, ERROR_DISK_FULL, "old"},
        // The old file is gone: the new one, only in the temporary file, takes its name.
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT, [](const wchar_t* replaced) { DeleteFileW(replaced); }, 0, "new"},
        {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
         [&](const wchar_t* replaced) { MoveFileW(replaced, elsewhere.c_str()); }, 0, "new"},
    };
    for (const Case& failure : cases) {
        WriteBytes(path, "old");
        EXPECT_EQ(SaveReplacingWith(path, FailingReplace(failure.code, failure.leaves)), failure.reported)
            << failure.code;
        EXPECT_EQ(ReadBytes(path), failure.content) << failure.code;
        DeleteFileW(elsewhere.c_str());
        EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"target.txt"}) << failure.code;
    }
}

TEST_F(AtomicFileWriterTest, ANewFileThatCannotTakeTheNameIsKeptInSightAndNamed) {
    const std::wstring path = folder / L"target.txt";
    WriteBytes(path, "old");
    // The old file is gone, and a folder now holds the name.
    const DWORD code = SaveReplacingWith(path, FailingReplace(ERROR_UNABLE_TO_MOVE_REPLACEMENT, [](const wchar_t* replaced) {
                                             DeleteFileW(replaced);
                                             CreateDirectoryW(replaced, nullptr);
                                         }));
    EXPECT_NE(code, 0u);
    const std::vector<std::wstring> names = SortedNames(folder);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], L"target.txt");
    const std::wstring kept = folder / names[1];
    EXPECT_EQ(ReadBytes(kept), "new");
    EXPECT_EQ(Attributes(kept) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_NE(lastError.description().find(names[1]), std::wstring::npos) << lastError.description();
}

TEST_F(AtomicFileWriterTest, AReplacementBrieflyHeldOffIsTriedAgainAndALongerHoldIsReported) {
    const std::wstring path = folder / L"target.txt";
    WriteBytes(path, "old");
    int calls = 0;
    // A virus scanner or the indexer reading the fresh file for a moment.
    EXPECT_EQ(SaveReplacingWith(path,
                                [&](const wchar_t* replaced, const wchar_t* replacement) {
                                    if (++calls <= 3) {
                                        SetLastError(calls == 2 ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION);
                                        return FALSE;
                                    }
                                    return win32::AtomicFileWriter::ReplaceFileKeepingIdentity(replaced, replacement);
                                }),
              0u);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(ReadBytes(path), "new");

    // Held for good: the error comes (the window offers Retry), the file is whole.
    WriteBytes(path, "old");
    calls = 0;
    EXPECT_EQ(SaveReplacingWith(path, FailingReplace(ERROR_SHARING_VIOLATION, [&](const wchar_t*) { ++calls; })),
              static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_GT(calls, 1);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"target.txt"});
}

TEST_F(AtomicFileWriterTest, AFileInAFolderOf230CharactersIsSavedAndReplaced) {
    std::wstring deep = folder.path();
    while (deep.size() < 230) {
        deep += L"\\" + std::wstring(std::min<std::size_t>(40, 230 - deep.size() - 1), L'd');
        ASSERT_TRUE(CreateDirectoryW(win32::ExtendedPath(deep).c_str(), nullptr));
    }
    ASSERT_EQ(deep.size(), 230u);
    const std::wstring path = deep + L"\\new.txt";
    Save(path, L"first");
    EXPECT_EQ(ReadBytes(win32::ExtendedPath(path)), "first");
    Save(path, L"second");
    EXPECT_EQ(ReadBytes(win32::ExtendedPath(path)), "second");
    // Every path reaches the file API in the long form, however short.
    EXPECT_EQ(win32::ExtendedPath(L"C:\\a.txt"), L"\\\\?\\C:\\a.txt");
    EXPECT_EQ(win32::ExtendedPath(L"\\\\server\\share\\a.txt"), L"\\\\?\\UNC\\server\\share\\a.txt");
    EXPECT_EQ(win32::UsualPath(win32::ExtendedPath(path)), path);
}

// Set in the process a case below starts: the file it saves over.
constexpr wchar_t kStuckSaveVariable[] = L"LUMARIND_STUCK_SAVE_TARGET";

// A program that must end while its save is stuck in a write ends without
// the writer's destructor. Run as a program of its own (this one again, with
// the target named in its environment), it writes, discards, and is ended:
// the temporary file goes with it, and the old file stays.
TEST(AtomicFileWriterDiscardTest, ASaveOfAProgramEndedAtOnceLeavesTheOldFileAndNothingBeside) {
    wchar_t target[MAX_PATH] = {};
    if (GetEnvironmentVariableW(kStuckSaveVariable, target, MAX_PATH) != 0) {
        const auto writer = std::make_unique<win32::AtomicFileWriter>(target);
        writer->Write("half of the new content");
        win32::AtomicFileWriter::DiscardUnfinished();
        TerminateProcess(GetCurrentProcess(), 7);
    }
    const ScratchFolder folder;
    const std::wstring path = folder / L"target.txt";
    WriteBytes(path, "old");
    ASSERT_TRUE(SetEnvironmentVariableW(kStuckSaveVariable, path.c_str()));
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::string self = std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) + "." +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    unsigned long exitCode = 0;
    testing::RunProcess(L"\"" + std::wstring(program) + L"\" --gtest_filter=" + std::wstring(self.begin(), self.end()),
                        &exitCode);
    SetEnvironmentVariableW(kStuckSaveVariable, nullptr);
    EXPECT_EQ(exitCode, 7u);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"target.txt"});

    // Only the writers there were when it ran are discarded; a discarded one
    // that still reaches its commit is refused.
    {
        win32::AtomicFileWriter discarded(path);
        discarded.Write("new");
        win32::AtomicFileWriter::DiscardUnfinished();
        win32::AtomicFileWriter later(path);
        later.Write("later");
        try {
            discarded.Commit();
            ADD_FAILURE() << "a discarded save was committed";
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), static_cast<std::int32_t>(ERROR_OPERATION_ABORTED));
        }
        EXPECT_EQ(ReadBytes(path), "old");
        later.Commit();
    }
    EXPECT_EQ(ReadBytes(path), "later");
    EXPECT_EQ(SortedNames(folder), std::vector<std::wstring>{L"target.txt"});
}

}  // namespace
}  // namespace lumarind
