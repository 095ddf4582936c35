#include "cli/posix/PosixOutputFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "cli/posix/DeferredSignals.h"
#include "cli/posix/FileStatus.h"
#include "cli/posix/InPlaceSink.h"
#include "cli/posix/PosixOutputTarget.h"
#include "cli/posix/TemporaryNames.h"
#include "cli/posix/WriteAll.h"

namespace lumarind::cli {
namespace {

// A name that is taken is skipped; this many taken in a row is no accident.
constexpr int kTemporaryNameAttempts = 32;
constexpr char kCapabilities[] = "security.capability";

class StreamSink : public ByteSink {
public:
    StreamSink(Descriptor fd, const struct stat& status) : fd_(std::move(fd)), status_(status) {}
    void Write(std::string_view bytes) override { WriteAll(fd_.get(), bytes); }
    void Commit() override { fd_.Close(); }
    std::optional<FileIdentity> WrittenFile() const override { return RegularFileIdentity(status_); }

private:
    Descriptor fd_;
    struct stat status_;
};

// The new content until it is whole: a file with no name in the folder, so
// that a run killed half-way leaves nothing behind. Where the file system
// has no such files, it is a new hidden file instead. Nothing when the
// folder takes no new files from this user. Locked while this process
// lives (see TemporaryNames.h).
std::optional<Descriptor> CreateTemporary(int folder, const std::string& target, mode_t mode, std::string& name,
                                          int& refusal) {
    int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    for (int attempt = 0; fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EEXIST); ++attempt) {
        if (attempt == kTemporaryNameAttempts) ThrowErrno(EEXIST);
        name = TemporaryName(target);
        fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    }
    if (fd >= 0) {
        Descriptor temporary(fd);
        ::flock(fd, LOCK_EX | LOCK_NB);
        return temporary;
    }
    if (errno != EACCES && errno != EPERM && errno != EROFS) ThrowErrno(errno);
    refusal = errno;
    return std::nullopt;
}

// Gives the unnamed file a name in the folder; false when that name is
// taken. Linking never replaces a name.
bool LinkAs(int fd, int folder, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    // Without /proc, only a process that may read any folder can link it.
    if (errno == ENOENT && ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != EEXIST) ThrowErrno(errno);
    return false;
}

// A temporary name in the folder for the unnamed file, which only then can
// be renamed over the target.
std::string NameOf(int fd, int folder, const std::string& target) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string name = TemporaryName(target);
        if (LinkAs(fd, folder, name)) return name;
    }
    ThrowErrno(EEXIST);
}

std::vector<std::string> AttributeNames(int fd) {
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size <= 0) return {};
        std::vector<char> list(static_cast<std::size_t>(size));
        const ssize_t listed = ::flistxattr(fd, list.data(), list.size());
        if (listed < 0 && errno == ERANGE) continue;
        std::vector<std::string> names;
        for (ssize_t at = 0; at < listed; at += static_cast<ssize_t>(names.back().size()) + 1) {
            names.emplace_back(list.data() + at);
        }
        return names;
    }
}

std::optional<std::string> AttributeValue(int fd, const std::string& name) {
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) return std::nullopt;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t read = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (read >= 0) {
            value.resize(static_cast<std::size_t>(read));
            return value;
        }
        if (errno != ERANGE) return std::nullopt;
    }
}

// Each extended attribute of the old file (access control lists among
// them) on the new one, and none the old lacks (such as the folder's
// default list). File capabilities stay behind: the kernel drops them from
// any file that is written, as it drops setuid.
bool CarryAttributes(int from, int to) {
    for (const std::string& name : AttributeNames(from)) {
        if (name == kCapabilities) continue;
        const std::optional<std::string> value = AttributeValue(from, name);
        if (!value) return false;
        if (AttributeValue(to, name) != value &&
            ::fsetxattr(to, name.c_str(), value->data(), value->size(), 0) != 0) {
            return false;
        }
    }
    for (const std::string& name : AttributeNames(to)) {
        if (!AttributeValue(from, name) && ::fremovexattr(to, name.c_str()) != 0) return false;
    }
    return true;
}

// Owner, group, extended attributes and mode of the old file on the new
// one, all or none; never setuid or setgid on content the old owner did not
// write.
bool CarryOver(int fd, int old, const struct stat& status) {
    return ::fchown(fd, status.st_uid, status.st_gid) == 0 && CarryAttributes(old, fd) &&
           ::fchmod(fd, status.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID)) == 0;
}

class ReplacingSink : public ByteSink {
public:
    ReplacingSink(Descriptor folder, std::string target, std::optional<struct stat> replaced, Descriptor temporary,
                  std::string temporaryName)
        : folder_(std::move(folder)),
          target_(std::move(target)),
          replaced_(replaced),
          fd_(std::move(temporary)),
          temporary_(std::move(temporaryName)) {}
    ReplacingSink(const ReplacingSink&) = delete;
    ReplacingSink& operator=(const ReplacingSink&) = delete;
    ~ReplacingSink() override {
        if (!committed_ && !temporary_.empty()) ::unlinkat(folder_.get(), temporary_.c_str(), 0);
    }
    void Write(std::string_view bytes) override { WriteAll(fd_.get(), bytes); }
    void Commit() override {
        if (::fsync(fd_.get()) != 0) ThrowErrno(errno);
        {
            // A name given must not outlive the run: from here to the rename
            // Ctrl-C waits.
            const DeferredSignals deferred;
            // A new file takes its name at once, where nothing has taken it
            // meanwhile: no name of ours is ever left, and an append-only
            // folder, where nothing is renamed, takes it too.
            if (replaced_ || !temporary_.empty() || !LinkAs(fd_.get(), folder_.get(), target_)) {
                if (temporary_.empty()) temporary_ = NameOf(fd_.get(), folder_.get(), target_);
                // renameat replaces whatever the name is now and never
                // writes through it, even if it became a link meanwhile.
                if (::renameat(folder_.get(), temporary_.c_str(), folder_.get(), target_.c_str()) != 0) {
                    ThrowErrno(errno);
                }
            }
            committed_ = true;
        }
        fd_.Close();
        SyncFolder();
        RemoveLeftovers(folder_.get(), target_, replaced_ ? replaced_->st_uid : ::geteuid());
    }
    std::optional<FileIdentity> WrittenFile() const override {
        return replaced_ ? RegularFileIdentity(*replaced_) : std::nullopt;
    }

private:
    // The rename reaches the disk with the folder's entry. The file is
    // complete and in place already, so a folder this user may not read (a
    // drop box) or that cannot be flushed is no failure of the save.
    void SyncFolder() const {
        const int fd = ::openat(folder_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        ::fsync(fd);
        ::close(fd);
    }

    Descriptor folder_;
    std::string target_;
    std::optional<struct stat> replaced_;
    Descriptor fd_;
    std::string temporary_;
    bool committed_ = false;
};

// Whether the name can be given to another file: not where the folder is
// append-only or immutable, nor where the file is mounted over the name (as
// containers mount single files).
bool CanRename(int folder, int file) {
    const auto attributes = [](int fd) {
        struct statx status {};
        return ::statx(fd, "", AT_EMPTY_PATH, 0, &status) == 0 ? status.stx_attributes & status.stx_attributes_mask : 0;
    };
    return (attributes(folder) & (STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE)) == 0 &&
           (file < 0 || (attributes(file) & STATX_ATTR_MOUNT_ROOT) == 0);
}

}  // namespace

std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path) {
    OutputTarget target = FindOutputTarget(path);
    if (target.kind == OutputTarget::Kind::kStream) {
        return std::make_unique<StreamSink>(std::move(target.file), target.status);
    }
    const bool existing = target.kind == OutputTarget::Kind::kFile;
    int refusal = EACCES;
    if (target.folder && (!existing || (target.status.st_nlink == 1 && CanRename(target.folder.get(), target.file.get())))) {
        // A new file is made as any program makes one, with the folder's
        // default access list where it has one and the umask where not; a
        // replacement is this user's alone until it has the old file's.
        const mode_t mode = existing ? 0600 : 0666;
        std::string temporaryName;
        if (std::optional<Descriptor> temporary =
                CreateTemporary(target.folder.get(), target.name, mode, temporaryName, refusal)) {
            if (!existing || CarryOver(temporary->get(), target.file.get(), target.status)) {
                std::optional<struct stat> replaced;
                if (existing) replaced = target.status;
                return std::make_unique<ReplacingSink>(std::move(target.folder), std::move(target.name), replaced,
                                                       std::move(*temporary), std::move(temporaryName));
            }
            if (!temporaryName.empty()) ::unlinkat(target.folder.get(), temporaryName.c_str(), 0);
        }
    }
    if (!existing) ThrowErrno(refusal);
    const int folder = target.folder.get();
    return std::make_unique<InPlaceSink>(std::move(target.file), target.status, folder);
}

}  // namespace lumarind::cli
