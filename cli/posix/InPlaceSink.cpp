#include "cli/posix/InPlaceSink.h"

#include <fcntl.h>
#include <linux/falloc.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "cli/posix/DeferredSignals.h"
#include "cli/posix/FileStatus.h"
#include "cli/posix/WriteAll.h"

namespace lumarind::cli {
namespace {

constexpr std::size_t kCopyChunk = 1u << 20;
// A clone covers whole blocks, and no file system has larger ones: the
// unnamed file is made this long (with a hole) before it is cloned.
constexpr off_t kCloneUnit = off_t{1} << 16;
constexpr unsigned long kBcachefsMagic = 0xca451a4e;
constexpr unsigned long kZfsMagic = 0x2fc12fc1;
constexpr wchar_t kCopiesOnWrite[] =
    L"the disk copies what is overwritten, and the folder takes no new file to make the content whole in first, "
    L"so a full disk could leave the file half overwritten";

unsigned long FileSystemOf(int fd) {
    struct statfs status {};
    return ::fstatfs(fd, &status) == 0 ? static_cast<unsigned long>(status.f_type) : 0;
}

bool MayShareBlocks(int fd) {
    switch (FileSystemOf(fd)) {
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case OCFS2_SUPER_MAGIC:
    case kBcachefsMagic:
    case kZfsMagic:
        return true;
    default:
        return false;
    }
}

// Whether overwriting any block takes a new one: XFS copies only blocks
// that are shared, which can be unshared ahead; Btrfs copies all but the
// blocks of a file marked No_COW.
bool CopiesEveryWrite(int fd) {
    switch (FileSystemOf(fd)) {
    case BTRFS_SUPER_MAGIC: {
        int flags = 0;
        return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 || (flags & FS_NOCOW_FL) == 0;
    }
    case kBcachefsMagic:
    case kZfsMagic:
        return true;
    default:
        return false;
    }
}

// A file only this process can see, for the new content until it is whole.
Descriptor UnnamedFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/lumarind-cli-XXXXXX";
    Descriptor fd = Opened(::mkostemp(pattern.data(), O_CLOEXEC));
    ::unlink(pattern.c_str());
    return fd;
}

Descriptor UnnamedFileBeside(int folder) {
    return Descriptor(::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
}

bool CannotClone(int error) {
    return error == EOPNOTSUPP || error == ENOTTY || error == EXDEV || error == EINVAL || error == ENOSYS;
}

}  // namespace

InPlaceSink::InPlaceSink(Descriptor file, const struct stat& status, int folder)
    : file_(std::move(file)), status_(status) {
    if (folder >= 0 && MayShareBlocks(file_.get())) staged_ = UnnamedFileBeside(folder);
    if (!staged_) staged_ = UnnamedFile();
    struct stat staged {};
    if (::fstat(staged_.get(), &staged) != 0) ThrowErrno(errno);
    sameFileSystem_ = staged.st_dev == status_.st_dev;
    if (!sameFileSystem_ && CopiesEveryWrite(file_.get())) throw Error(EXDEV, kCopiesOnWrite);
}

void InPlaceSink::Write(std::string_view bytes) {
    WriteAll(staged_.get(), bytes);
    length_ += static_cast<off_t>(bytes.size());
}

std::optional<FileIdentity> InPlaceSink::WrittenFile() const { return RegularFileIdentity(status_); }

void InPlaceSink::Commit() {
    if (!sameFileSystem_ || !Clone()) {
        if (CopiesEveryWrite(file_.get())) throw Error(EXDEV, kCopiesOnWrite);
        Overwrite();
    }
    file_.Close();
}

bool InPlaceSink::Clone() {
    const off_t whole = (length_ + kCloneUnit - 1) / kCloneUnit * kCloneUnit;
    if (::ftruncate(staged_.get(), whole) != 0) ThrowErrno(errno);
    if (whole != 0) {
        file_clone_range range{};
        range.src_fd = staged_.get();
        range.src_length = static_cast<__u64>(whole);
        const DeferredSignals deferred;
        if (::ioctl(file_.get(), FICLONERANGE, &range) != 0) {
            if (CannotClone(errno)) return false;
            ThrowErrno(errno);
        }
        if (::ftruncate(file_.get(), length_) != 0 || ::fsync(file_.get()) != 0) ThrowErrno(errno);
        return true;
    }
    const DeferredSignals deferred;
    if (::ftruncate(file_.get(), 0) != 0 || ::fsync(file_.get()) != 0) ThrowErrno(errno);
    return true;
}

void InPlaceSink::Overwrite() {
    Reserve();
    std::string chunk(kCopyChunk, '\0');
    const DeferredSignals deferred;
    for (off_t at = 0; at < length_;) {
        const std::size_t wanted = std::min(chunk.size(), static_cast<std::size_t>(length_ - at));
        const ssize_t read = ::pread(staged_.get(), chunk.data(), wanted, at);
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) ThrowErrno(read < 0 ? errno : EIO);
        WriteAllAt(file_.get(), std::string_view(chunk.data(), static_cast<std::size_t>(read)), at);
        at += read;
    }
    if (::ftruncate(file_.get(), length_) != 0 || ::fsync(file_.get()) != 0) ThrowErrno(errno);
}

// The blocks the new content needs, taken before a byte of the old is
// overwritten: blocks shared with another file are first made this file's
// own, since overwriting them would take new ones. A file system that cannot
// reserve ahead is written as is.
void InPlaceSink::Reserve() const {
    if (length_ == 0) return;
    const off_t shared = std::min(length_, static_cast<off_t>(status_.st_size));
    if (shared != 0 && ::fallocate(file_.get(), FALLOC_FL_UNSHARE_RANGE, 0, shared) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL) {
        ThrowErrno(errno);
    }
    if (::fallocate(file_.get(), FALLOC_FL_KEEP_SIZE, 0, length_) == 0) return;
    if (errno != EOPNOTSUPP && errno != ENOSYS) ThrowErrno(errno);
}

}  // namespace lumarind::cli
