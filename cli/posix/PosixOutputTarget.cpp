#include "cli/posix/PosixOutputTarget.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "cli/QuotedName.h"
#include "cli/posix/FileNameBytes.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

// As many links as the kernel follows before it gives ELOOP.
constexpr int kMostLinksFollowed = 40;
constexpr wchar_t kNobodyReading[] = L"nobody is reading";
constexpr wchar_t kPlantedByAnother[] = L" belongs to another user in a folder open to all";

struct stat StatusOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) ThrowErrno(errno);
    return status;
}

Descriptor OpenFolder(int at, const char* path) { return Opened(::openat(at, path, O_PATH | O_DIRECTORY | O_CLOEXEC)); }

// The names along a path, in front of those still to walk. A path that ends
// in '/' names a folder, which its last name "." makes the kernel check.
void AddParts(std::deque<std::string>& parts, const std::string& path) {
    std::vector<std::string> added;
    for (std::size_t start = 0; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) added.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (path.back() == '/') added.push_back(".");
    parts.insert(parts.begin(), added.begin(), added.end());
}

std::string ReadLink(int link) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlinkat(link, "", buffer.data(), buffer.size());
        if (length < 0) ThrowErrno(errno);
        if (static_cast<std::size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// The kernel's protected_symlinks, protected_regular and protected_fifos
// rules: in a sticky folder that everyone may write (such as /tmp), anyone
// could have put a link, file or FIFO by that name in advance, to have
// another user write through it, read what is written or keep it. What
// belongs neither to this user nor to the folder's owner is not used.
void RefusePlanted(int folder, const struct stat& planted, const std::string& shown) {
    if (planted.st_uid == ::geteuid()) return;
    if (!S_ISLNK(planted.st_mode) && !S_ISREG(planted.st_mode) && !S_ISFIFO(planted.st_mode)) return;
    const struct stat status = StatusOf(folder);
    if ((status.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH) || status.st_uid == planted.st_uid) return;
    const std::wstring name = FromUtf8(QuotedName(FileNameFromBytes(shown)));
    throw Error(EACCES, (S_ISLNK(planted.st_mode) ? L"the link " : L"") + name + kPlantedByAnother +
                            (S_ISLNK(planted.st_mode) ? L", and is not followed" : L", and is not written"));
}

bool IsProc(int folder) {
    struct statfs status {};
    return ::fstatfs(folder, &status) == 0 && status.f_type == PROC_SUPER_MAGIC;
}

// Whether a folder in /proc is this process's own list of descriptors, where
// /dev/stdout, /dev/fd/N and >(command) lead.
bool IsOwnDescriptorFolder(int folder) {
    char name[64];
    std::snprintf(name, sizeof name, "/proc/self/fd/%d", folder);
    char target[128];
    const ssize_t length = ::readlink(name, target, sizeof target - 1);
    if (length < 0) return false;
    const std::string path(target, static_cast<std::size_t>(length));
    const std::string process = "/proc/" + std::to_string(::getpid());
    return path == process + "/fd" || path == process + "/task/" + std::to_string(::gettid()) + "/fd";
}

// A descriptor of this process, by its number: written through a duplicate,
// so that the output goes where that descriptor stands and appends where it
// appends, as a shell redirection would.
OutputTarget OwnDescriptor(const std::string& name) {
    // "/dev/fd/" names the list itself.
    if (name == ".") ThrowErrno(EISDIR);
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9) {
        ThrowErrno(ENOENT);
    }
    const int number = std::stoi(name);
    const int flags = ::fcntl(number, F_GETFL);
    if (flags < 0) ThrowErrno(errno);
    if (S_ISDIR(StatusOf(number).st_mode)) ThrowErrno(EISDIR);
    if ((flags & O_ACCMODE) == O_RDONLY) ThrowErrno(EBADF);
    OutputTarget target;
    target.kind = OutputTarget::Kind::kStream;
    target.file = Opened(::fcntl(number, F_DUPFD_CLOEXEC, 0));
    target.status = StatusOf(target.file.get());
    return target;
}

OutputTarget Found(Descriptor folder, std::string name, Descriptor file) {
    OutputTarget target;
    target.status = StatusOf(file.get());
    if (S_ISREG(target.status.st_mode)) {
        target.kind = OutputTarget::Kind::kFile;
        target.folder = std::move(folder);
        target.name = std::move(name);
    } else {
        // Opened without blocking; written as any program writes it.
        target.kind = OutputTarget::Kind::kStream;
        const int flags = ::fcntl(file.get(), F_GETFL);
        if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) ThrowErrno(errno);
    }
    target.file = std::move(file);
    return target;
}

bool IsFifo(int folder, const std::string& name) {
    struct stat status {};
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISFIFO(status.st_mode);
}

// Steps through the link at name: what it says is read from the link itself,
// so that what was checked is what is followed.
void Follow(const Descriptor& link, const struct stat& status, Descriptor& folder, std::string& shown,
            const std::string& name, std::deque<std::string>& parts, int& followed) {
    if (++followed > kMostLinksFollowed) ThrowErrno(ELOOP);
    RefusePlanted(folder.get(), status, shown + name);
    const std::string target = ReadLink(link.get());
    if (target.empty()) ThrowErrno(ENOENT);
    AddParts(parts, target);
    if (target[0] == '/') {
        folder = OpenFolder(AT_FDCWD, "/");
        shown = "/";
    }
}

}  // namespace

OutputTarget FindOutputTarget(const std::string& path) {
    if (path.empty()) ThrowErrno(ENOENT);
    std::deque<std::string> parts;
    AddParts(parts, path);
    Descriptor folder = OpenFolder(AT_FDCWD, path[0] == '/' ? "/" : ".");
    std::string shown = path[0] == '/' ? "/" : "";  // the folder as the user would name it
    for (int followed = 0;;) {
        const std::string name = std::move(parts.front());
        parts.pop_front();
        const bool inProc = IsProc(folder.get());
        if (inProc && parts.empty() && IsOwnDescriptorFolder(folder.get())) return OwnDescriptor(name);
        // Links in /proc name open files rather than paths: only the kernel
        // can follow them, and no other user can plant one there.
        const int noFollow = inProc ? 0 : O_NOFOLLOW;
        if (!parts.empty()) {
            Descriptor next = Opened(::openat(folder.get(), name.c_str(), O_PATH | O_CLOEXEC | noFollow));
            const struct stat status = StatusOf(next.get());
            if (S_ISDIR(status.st_mode)) {
                folder = std::move(next);
                shown += name + "/";
                continue;
            }
            if (!S_ISLNK(status.st_mode)) ThrowErrno(ENOTDIR);
            Follow(next, status, folder, shown, name, parts, followed);
            continue;
        }
        const int fd = ::openat(folder.get(), name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | noFollow);
        if (fd >= 0) {
            Descriptor file(fd);
            if (!inProc) RefusePlanted(folder.get(), StatusOf(fd), shown + name);
            return Found(inProc ? Descriptor() : std::move(folder), name, std::move(file));
        }
        const int error = errno;
        if (error == ENOENT && !inProc) {
            OutputTarget target;
            target.folder = std::move(folder);
            target.name = name;
            return target;
        }
        if (error == ENXIO && IsFifo(folder.get(), name)) throw Error(ENXIO, kNobodyReading);
        if (error != ELOOP || inProc) ThrowErrno(error);
        const Descriptor link = Opened(::openat(folder.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        const struct stat status = StatusOf(link.get());
        if (S_ISLNK(status.st_mode)) {
            Follow(link, status, folder, shown, name, parts, followed);
        } else {
            // Replaced meanwhile: looked at again, though not forever.
            if (++followed > kMostLinksFollowed) ThrowErrno(ELOOP);
            parts.push_front(name);
        }
    }
}

}  // namespace lumarind::cli
