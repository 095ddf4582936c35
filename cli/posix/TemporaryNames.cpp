#include "cli/posix/TemporaryNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cli/posix/Descriptor.h"

namespace lumarind::cli {
namespace {

constexpr char kPrefix[] = ".lumarind-cli-";
constexpr std::size_t kHexDigits = 8;

std::string Hex(std::uint32_t value) {
    char digits[kHexDigits + 1];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
    return digits;
}

// FNV-1a: the same target name gives the same digits in every run.
std::string TargetPart(const std::string& target) {
    std::uint32_t hash = 2166136261u;
    for (const char byte : target) hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
    return std::string(kPrefix) + Hex(hash) + "-";
}

bool IsLeftover(int folder, const char* name, uid_t owner) {
    const Descriptor file(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1) return false;
    if (status.st_uid != ::geteuid() && status.st_uid != owner) return false;
    return ::flock(file.get(), LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

std::string TemporaryName(const std::string& target) {
    return TargetPart(target) + Hex(static_cast<std::uint32_t>(::arc4random()));
}

void RemoveLeftovers(int folder, const std::string& target, uid_t owner) noexcept {
    const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return;
    DIR* const entries = ::fdopendir(listed);
    if (entries == nullptr) {
        ::close(listed);
        return;
    }
    const std::string part = TargetPart(target);
    while (const dirent* entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        if (name.size() != part.size() + kHexDigits || name.compare(0, part.size(), part) != 0) continue;
        if (IsLeftover(::dirfd(entries), entry->d_name, owner)) ::unlinkat(::dirfd(entries), entry->d_name, 0);
    }
    ::closedir(entries);
}

}  // namespace lumarind::cli
