// A regular file's bytes lent straight from mappings of it, a window at a
// time, instead of copied into a buffer by read(): decoding then reads the
// text once from the system's cache, not twice. One window is mapped at a
// time, so that the pages held stay few whatever the file's size.
//
// A file that another program shortens under a mapping would end the
// process with SIGBUS at the first page past its new end. While windows are
// lent, a handler maps a page of zeros there instead and notes it; Check
// then throws, so that nothing made of those zeros is kept.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace lumarind::cli {

class MappedFile {
public:
    // The bytes from start to end of the file open as fd, which must stay
    // open while they are lent. Null when another MappedFile is lending or
    // the file's system will not map it: the file is then read as any other.
    static std::unique_ptr<MappedFile> Lend(int fd, off_t start, off_t end);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Up to most of the next bytes, valid until the next call; empty once
    // all are lent. Throws lumarind::Error.
    std::string_view Next(std::size_t most);
    // Throws lumarind::Error when a byte lent so far was past the file's end.
    void Check() const;
    // Where the lent bytes end in the file: it is read on from there.
    off_t End() const { return end_; }

private:
    MappedFile(int fd, off_t start, off_t end) : fd_(fd), next_(start), end_(end) {}
    // False, with errno set, when the system will not map it.
    bool MapNextWindow();
    void Unmap();

    int fd_;
    // The file's offset of the next window's first byte, and of the end.
    off_t next_;
    off_t end_;
    char* window_ = nullptr;
    std::size_t windowSize_ = 0;
    // The window's first byte not yet lent, and its end.
    const char* at_ = nullptr;
    const char* windowEnd_ = nullptr;
};

}  // namespace lumarind::cli
