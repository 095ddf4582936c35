#include "cli/posix/WriteAll.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

#include "cli/posix/ErrnoError.h"
#include "support/portable/WriteEverything.h"

namespace lumarind::cli {
namespace {

template <typename Call>
std::size_t Retried(Call&& call) {
    for (;;) {
        const ssize_t written = call();
        if (written >= 0) return static_cast<std::size_t>(written);
        if (errno != EINTR) ThrowErrno(errno);
    }
}

Error NothingWritten() { return ErrnoError(EIO); }

}  // namespace

void WriteAll(int fd, std::string_view bytes) {
    WriteEverything(
        bytes, SSIZE_MAX,
        [fd](const char* data, std::size_t count) { return Retried([&] { return ::write(fd, data, count); }); },
        NothingWritten);
}

void WriteAllAt(int fd, std::string_view bytes, off_t offset) {
    WriteEverything(
        bytes, SSIZE_MAX,
        [&](const char* data, std::size_t count) {
            const std::size_t written = Retried([&] { return ::pwrite(fd, data, count, offset); });
            offset += static_cast<off_t>(written);
            return written;
        },
        NothingWritten);
}

}  // namespace lumarind::cli
