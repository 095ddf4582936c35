#include "cli/posix/PosixOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "cli/posix/Descriptor.h"

namespace lumarind::cli {
namespace {

// As many links as the kernel follows before it gives ELOOP.
constexpr int kMostLinksFollowed = 40;

// "dir/" for "dir/name", "" for a bare name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ReadLink(const std::string& path, std::size_t sizeHint) {
    std::vector<char> buffer(sizeHint + 1 > 256 ? sizeHint + 1 : 256);
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) ThrowErrno(errno);
        if (static_cast<std::size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// The file a path finally names once every symbolic link on it is followed;
// it need not exist (a dangling link names the file it would create).
std::string FollowLinks(std::string path) {
    for (int followed = 0;; ++followed) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        if (followed == kMostLinksFollowed) ThrowErrno(ELOOP);
        std::string target = ReadLink(path, static_cast<std::size_t>(status.st_size));
        path = !target.empty() && target[0] == '/' ? target : FolderOf(path) + target;
    }
}

class DirectSink : public ByteSink {
public:
    explicit DirectSink(const std::string& path) : fd_(::open(path.c_str(), O_WRONLY | O_CLOEXEC)) {
        if (fd_.get() < 0) ThrowErrno(errno);
    }
    void Write(std::string_view bytes) override { WriteAll(fd_.get(), bytes); }
    void Commit() override { fd_.Close(); }

private:
    Descriptor fd_;
};

class ReplacingSink : public ByteSink {
public:
    ReplacingSink(std::string target, const std::optional<struct stat>& existing)
        : target_(std::move(target)),
          folder_(FolderOf(target_)),
          temporary_(folder_ + ".lumarind-cli-XXXXXX"),
          fd_(::mkstemp(temporary_.data())) {
        if (fd_.get() < 0) ThrowErrno(errno);
        if (existing) {
            // Owner and group where this user may set them (root may; others
            // may keep a group they belong to); the mode always, but never
            // setuid or setgid on content the old owner did not write.
            if (::fchown(fd_.get(), existing->st_uid, existing->st_gid) != 0) {
                (void)::fchown(fd_.get(), static_cast<uid_t>(-1), existing->st_gid);
            }
            ::fchmod(fd_.get(), existing->st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID));
        } else {
            ::fchmod(fd_.get(), DefaultMode());
        }
    }
    ReplacingSink(const ReplacingSink&) = delete;
    ReplacingSink& operator=(const ReplacingSink&) = delete;
    ~ReplacingSink() override {
        if (!committed_) ::unlink(temporary_.c_str());
    }
    void Write(std::string_view bytes) override { WriteAll(fd_.get(), bytes); }
    void Commit() override {
        if (::fsync(fd_.get()) != 0) ThrowErrno(errno);
        fd_.Close();
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) ThrowErrno(errno);
        committed_ = true;
        SyncFolder();
    }

private:
    static mode_t DefaultMode() {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }
    // The rename itself reaches the disk only with the folder's entry.
    void SyncFolder() const {
        const Descriptor folder(::open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.get() < 0) ThrowErrno(errno);
        if (::fsync(folder.get()) != 0 && errno != EINVAL) ThrowErrno(errno);
    }

    std::string target_;
    std::string folder_;
    std::string temporary_;
    Descriptor fd_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path) {
    const std::string target = FollowLinks(path);
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        if (errno != ENOENT) ThrowErrno(errno);
        return std::make_unique<ReplacingSink>(target, std::nullopt);
    }
    if (S_ISDIR(status.st_mode)) ThrowErrno(EISDIR);
    if (!S_ISREG(status.st_mode)) return std::make_unique<DirectSink>(target);
    if (::access(target.c_str(), W_OK) != 0) ThrowErrno(errno);
    return std::make_unique<ReplacingSink>(target, status);
}

}  // namespace lumarind::cli
