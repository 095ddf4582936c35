#pragma once

#include <string>
#include <string_view>

#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {

// Replaces a file only once its new content is complete: the bytes go to a
// temporary file beside the target, which Commit flushes and moves over it.
// Dropped without Commit, it removes the temporary file and leaves the
// target as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::wstring& path);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    void Write(std::string_view bytes);
    void Commit();

private:
    std::wstring target_;
    std::wstring temporary_;
    UniqueFile file_;
    bool committed_ = false;
};

}  // namespace lumarind::win32
