#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "cli/CliRun.h"
#include "cli/posix/FileNameBytes.h"
#include "cli/posix/PosixCliPlatform.h"
#include "cli/posix/PosixOutputFile.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

void Replace(const std::string& path, const std::string& bytes) {
    const std::unique_ptr<ByteSink> sink = OpenOutputFile(path);
    sink->Write(bytes);
    sink->Commit();
}

int ErrorOf(const std::string& path) {
    try {
        Replace(path, "new");
    } catch (const Error& error) {
        return error.number();
    }
    return 0;
}

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

class PosixOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "lumarind-cli-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(folder.c_str());
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.' || std::string(entry->d_name).size() > 2) names.push_back(entry->d_name);
        }
        ::closedir(dir);
        return names;
    }

    std::string folder;
};

TEST(FileNameBytes, EveryByteSequenceComesBackExactly) {
    for (const std::string bytes : {"plain.png", "caf\xE9.png", "out\xFF.txt", "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.png",
                                    "\xED\xB2\x80", "\xE2\x82", "\xC0\xAF", "\xF4\x90\x80\x80", "a\xF0\x9F\x98\x80" "b"}) {
        EXPECT_EQ(FileNameToBytes(FileNameFromBytes(bytes)), bytes) << bytes;
    }
    EXPECT_EQ(FileNameFromBytes("\xD0\xA4.png"), L"Ф.png");
    // Shown to the user, a byte that is not UTF-8 is the replacement character.
    EXPECT_EQ(ToUtf8(FileNameFromBytes("caf\xE9")), "caf\xEF\xBF\xBD");
}

TEST_F(PosixOutputTest, NamesThatAreNotUtf8AreUsedAsGiven) {
    WriteFile(folder + "caf\xE9.png", "abc");
    PosixCliPlatform platform;
    const std::vector<std::wstring> arguments = {L"-1", L"-t", L"", L"-o", FileNameFromBytes(folder + "out\xFF.txt"),
                                                 FileNameFromBytes(folder + "caf\xE9.png")};
    ASSERT_EQ(RunCli(arguments, platform), kExitSuccess);
    EXPECT_EQ(ReadFile(folder + "out\xFF.txt"), "data:;base64,YWJj");
}

TEST_F(PosixOutputTest, ReplacesARegularFileKeepingModeOwnerAndGroupButNotSetuid) {
    const std::string target = folder + "target.txt";
    WriteFile(target, "old");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
    }
    // After the chown, which clears both bits itself.
    ASSERT_EQ(::chmod(target.c_str(), 06751), 0);
    ASSERT_EQ(StatusOf(target).st_mode & 07777, 06751u);
    Replace(target, "new");
    EXPECT_EQ(ReadFile(target), "new");
    const struct stat status = StatusOf(target);
    EXPECT_EQ(status.st_mode & 07777, 0751u);
    if (root) {
        EXPECT_EQ(status.st_uid, 1234u);
        EXPECT_EQ(status.st_gid, 5678u);
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"target.txt"});
}

TEST_F(PosixOutputTest, FollowsSymbolicLinksAndReplacesTheirTarget) {
    ::mkdir((folder + "sub").c_str(), 0755);
    WriteFile(folder + "sub/real.txt", "old");
    ASSERT_EQ(::symlink("sub/real.txt", (folder + "link1").c_str()), 0);
    ASSERT_EQ(::symlink((folder + "link1").c_str(), (folder + "link2").c_str()), 0);
    ASSERT_EQ(::symlink("sub/new.txt", (folder + "dangling").c_str()), 0);
    Replace(folder + "link2", "new");
    Replace(folder + "dangling", "created");
    EXPECT_TRUE(S_ISLNK(StatusOf(folder + "link1").st_mode));
    EXPECT_TRUE(S_ISLNK(StatusOf(folder + "link2").st_mode));
    EXPECT_TRUE(S_ISLNK(StatusOf(folder + "dangling").st_mode));
    EXPECT_EQ(ReadFile(folder + "sub/real.txt"), "new");
    EXPECT_EQ(ReadFile(folder + "sub/new.txt"), "created");
    ASSERT_EQ(::symlink("loop", (folder + "loop").c_str()), 0);
    EXPECT_EQ(ErrorOf(folder + "loop"), ELOOP);
}

TEST_F(PosixOutputTest, WritesFifosAndDevicesDirectly) {
    const std::string fifo = folder + "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Held open for reading, the FIFO takes the write without blocking.
    const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Replace(fifo, "through the pipe");
    char buffer[64] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 16);
    EXPECT_STREQ(buffer, "through the pipe");
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(StatusOf(fifo).st_mode));

    const std::string null = folder + "null";
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "mknod is not permitted here";
    Replace(null, "gone");
    EXPECT_TRUE(S_ISCHR(StatusOf(null).st_mode));
}

TEST_F(PosixOutputTest, RefusesFoldersAndFilesTheUserMayNotWrite) {
    EXPECT_EQ(ErrorOf(folder), EISDIR);
    EXPECT_EQ(ErrorOf(folder + "missing/x"), ENOENT);
    const std::string target = folder + "theirs.txt";
    WriteFile(target, "old");
    if (::geteuid() != 0) {
        ::chmod(target.c_str(), 0444);
        EXPECT_EQ(ErrorOf(target), EACCES);
    } else {
        // Root may write anything; another user, in a folder open to all,
        // could rename over the file but must not.
        ::chmod(folder.c_str(), 0777);
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(dropped && ErrorOf(target) == EACCES ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"theirs.txt"});
}

TEST_F(PosixOutputTest, AnUncommittedOutputLeavesTheOldFileAndNoTemporaryFile) {
    WriteFile(folder + "keep.txt", "old");
    OpenOutputFile(folder + "keep.txt")->Write("half");
    EXPECT_EQ(ReadFile(folder + "keep.txt"), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"keep.txt"});
}

TEST_F(PosixOutputTest, KnowsOneFileByAnyOfItsNames) {
    WriteFile(folder + "a.png", "abc");
    WriteFile(folder + "b.png", "abc");
    ASSERT_EQ(::link((folder + "a.png").c_str(), (folder + "hard.png").c_str()), 0);
    ASSERT_EQ(::symlink("a.png", (folder + "soft.png").c_str()), 0);
    PosixCliPlatform platform;
    // The input as the system finds it, the output as its walk opened it.
    const auto same = [&](const std::string& a, const std::string& b) {
        const std::optional<FileIdentity> input = platform.InputFile(FileNameFromBytes(folder + a));
        return input && input == platform.OpenOutput(FileNameFromBytes(folder + b))->WrittenFile();
    };
    EXPECT_TRUE(same("a.png", "a.png"));
    EXPECT_TRUE(same("a.png", "hard.png"));
    EXPECT_TRUE(same("soft.png", "a.png"));
    EXPECT_TRUE(same("a.png", "../" + folder.substr(folder.rfind('/', folder.size() - 2) + 1) + "a.png"));
    EXPECT_FALSE(same("a.png", "b.png"));
    EXPECT_FALSE(same("a.png", "missing.png"));
    EXPECT_FALSE(same("missing.png", "missing.png"));
    EXPECT_FALSE(platform.InputFile(L"/dev/null"));
    EXPECT_FALSE(platform.OpenOutput(L"/dev/null")->WrittenFile());
}

}  // namespace
// A regular file is lent from a mapping. Another program that shortens it
// meanwhile leaves zeros past the new end and a failure, not a crash; one
// that appends has its bytes read on.
TEST_F(PosixOutputTest, AFileLentFromAMappingMayShrinkOrGrowMeanwhile) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::string path = folder + "text";
    WriteFile(path, std::string(6 * kMiB, 'A'));
    PosixCliPlatform platform;
    std::vector<char> buffer(2 * kMiB);
    {
        const std::unique_ptr<ByteSource> source = platform.OpenInput(FromUtf8(path));
        const std::string_view first = source->Lend(buffer.data(), kMiB);
        ASSERT_EQ(first, std::string(kMiB, 'A'));
        EXPECT_NE(first.data(), buffer.data());
        ASSERT_EQ(::truncate(path.c_str(), kMiB + 10), 0);
        const std::string_view second = source->Lend(buffer.data(), kMiB);
        EXPECT_EQ(second, std::string(10, 'A') + std::string(kMiB - 10, '\0'));
        EXPECT_THROW(source->CheckLent(), Error);
    }
    {
        WriteFile(path, std::string(kMiB, 'B'));
        const std::unique_ptr<ByteSource> source = platform.OpenInput(FromUtf8(path));
        EXPECT_EQ(source->Lend(buffer.data(), 2 * kMiB).size(), kMiB);
        std::ofstream(path, std::ios::binary | std::ios::app) << "tail";
        EXPECT_EQ(source->Lend(buffer.data(), kMiB), "tail");
        EXPECT_EQ(source->Lend(buffer.data(), kMiB), "");
        EXPECT_NO_THROW(source->CheckLent());
    }
}

}  // namespace lumarind::cli
