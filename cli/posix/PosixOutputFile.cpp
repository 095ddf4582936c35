#include "cli/posix/PosixOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/posix/PosixOutputTarget.h"
#include "cli/posix/WriteAll.h"

namespace lumarind::cli {
namespace {

// A name that is taken is skipped; this many taken in a row is no accident.
constexpr int kTemporaryNameAttempts = 32;
constexpr std::size_t kCopyChunk = 1u << 20;
constexpr char kCapabilities[] = "security.capability";

class StreamSink : public ByteSink {
public:
    explicit StreamSink(Descriptor fd) : fd_(std::move(fd)) {}
    void Write(std::string_view bytes) override { WriteAll(fd_.get(), bytes); }
    void Commit() override { fd_.Close(); }

private:
    Descriptor fd_;
};

mode_t DefaultMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string TemporaryName() {
    char name[32];
    std::snprintf(name, sizeof name, ".lumarind-cli-%08x", static_cast<unsigned>(::arc4random()));
    return name;
}

// The new content until it is whole: a file with no name in the folder, so
// that a run killed half-way leaves nothing behind. Where the file system
// has no such files, it is a new hidden file instead. Nothing when the
// folder takes no new files from this user.
std::optional<Descriptor> CreateTemporary(int folder, std::string& name, int& refusal) {
    int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    for (int attempt = 0; fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EEXIST); ++attempt) {
        if (attempt == kTemporaryNameAttempts) ThrowErrno(EEXIST);
        name = TemporaryName();
        fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }
    if (fd >= 0) return Descriptor(fd);
    if (errno != EACCES && errno != EPERM && errno != EROFS) ThrowErrno(errno);
    refusal = errno;
    return std::nullopt;
}

// A name in the folder for the unnamed file, which only then can be renamed
// over the target: linking never replaces a name, renaming does.
std::string NameOf(int fd, int folder) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string name = TemporaryName();
        if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
        // Without /proc, only a process that may read any folder can link it.
        if (errno == ENOENT && ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return name;
        if (errno != EEXIST) ThrowErrno(errno);
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
    ReplacingSink(Descriptor folder, std::string target, Descriptor temporary, std::string temporaryName)
        : folder_(std::move(folder)),
          target_(std::move(target)),
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
        if (temporary_.empty()) temporary_ = NameOf(fd_.get(), folder_.get());
        fd_.Close();
        // renameat replaces whatever the name is now and never writes
        // through it, even if it became a link meanwhile.
        if (::renameat(folder_.get(), temporary_.c_str(), folder_.get(), target_.c_str()) != 0) ThrowErrno(errno);
        committed_ = true;
        SyncFolder();
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
    Descriptor fd_;
    std::string temporary_;
    bool committed_ = false;
};

// A file only this process can see, for the new content until it is whole.
Descriptor UnnamedFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/lumarind-cli-XXXXXX";
    Descriptor fd = Opened(::mkostemp(pattern.data(), O_CLOEXEC));
    ::unlink(pattern.c_str());
    return fd;
}

class InPlaceSink : public ByteSink {
public:
    explicit InPlaceSink(Descriptor file) : file_(std::move(file)), staged_(UnnamedFile()) {}
    void Write(std::string_view bytes) override {
        WriteAll(staged_.get(), bytes);
        length_ += static_cast<off_t>(bytes.size());
    }
    void Commit() override {
        Reserve();
        std::string chunk(kCopyChunk, '\0');
        for (off_t at = 0; at < length_;) {
            const ssize_t read = ::pread(staged_.get(), chunk.data(), chunk.size(), at);
            if (read < 0 && errno == EINTR) continue;
            if (read <= 0) ThrowErrno(read < 0 ? errno : EIO);
            WriteAllAt(file_.get(), std::string_view(chunk.data(), static_cast<std::size_t>(read)), at);
            at += read;
        }
        if (::ftruncate(file_.get(), length_) != 0 || ::fsync(file_.get()) != 0) ThrowErrno(errno);
        file_.Close();
    }

private:
    // The blocks the new content needs, taken before a byte of the old is
    // overwritten; a file system that cannot reserve ahead is written as is.
    void Reserve() const {
        if (length_ == 0 || ::fallocate(file_.get(), FALLOC_FL_KEEP_SIZE, 0, length_) == 0) return;
        if (errno != EOPNOTSUPP && errno != ENOSYS) ThrowErrno(errno);
    }

    Descriptor file_;
    Descriptor staged_;
    off_t length_ = 0;
};

}  // namespace

std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path) {
    OutputTarget target = FindOutputTarget(path);
    if (target.kind == OutputTarget::Kind::kStream) return std::make_unique<StreamSink>(std::move(target.file));
    const bool existing = target.kind == OutputTarget::Kind::kFile;
    int refusal = EACCES;
    if (target.folder && (!existing || target.status.st_nlink == 1)) {
        std::string temporaryName;
        if (std::optional<Descriptor> temporary = CreateTemporary(target.folder.get(), temporaryName, refusal)) {
            const bool carried =
                existing ? CarryOver(temporary->get(), target.file.get(), target.status) : ::fchmod(temporary->get(), DefaultMode()) == 0;
            if (carried) {
                return std::make_unique<ReplacingSink>(std::move(target.folder), std::move(target.name),
                                                       std::move(*temporary), std::move(temporaryName));
            }
            if (!temporaryName.empty()) ::unlinkat(target.folder.get(), temporaryName.c_str(), 0);
        }
    }
    if (!existing) ThrowErrno(refusal);
    return std::make_unique<InPlaceSink>(std::move(target.file));
}

}  // namespace lumarind::cli
