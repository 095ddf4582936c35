// A POSIX file descriptor with one owner.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "cli/posix/ErrnoError.h"

namespace lumarind::cli {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~Descriptor() { Reset(); }
    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    // Closing is where some file systems report a failed write.
    void Close() {
        const int fd = std::exchange(fd_, -1);
        if (fd >= 0 && ::close(fd) != 0) ThrowErrno(errno);
    }

private:
    void Reset() noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    int fd_;
};

// The descriptor a call returned, or its errno as an error.
inline Descriptor Opened(int fd) {
    if (fd < 0) ThrowErrno(errno);
    return Descriptor(fd);
}

}  // namespace lumarind::cli
