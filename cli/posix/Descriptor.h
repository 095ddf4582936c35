// A POSIX file descriptor with one owner, and the errno failures as the
// program's one error type.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "support/Error.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {

[[noreturn]] inline void ThrowErrno(int code) { throw Error(code, FromUtf8(std::strerror(code))); }

class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const noexcept { return fd_; }
    // Closing is where some file systems report a failed write.
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (fd >= 0 && ::close(fd) != 0) ThrowErrno(errno);
    }

private:
    int fd_;
};

inline void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace lumarind::cli
