#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {

// Replaces a file only once its new content is complete: the bytes go to a
// hidden temporary file beside the target, which Commit flushes and puts in
// the target's place. Dropped without Commit, it removes the temporary file
// and leaves the target as it was.
//
// What the target is stays: a link is followed and its target replaced, a
// replaced file keeps its attributes, creation time, owner, permissions and
// streams, and a device (NUL, \\.\...) is written straight, as there is
// nothing to replace.
class AtomicFileWriter {
public:
    // The name (without folder) of a temporary file; a new one each call.
    using TemporaryNames = std::function<std::wstring()>;

    explicit AtomicFileWriter(const std::wstring& path, const TemporaryNames& names = UniqueTemporaryName);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    void Write(std::string_view bytes);
    void Commit();

    // "~lumarind-" + a new GUID + ".tmp": no two saves, in any process, share it.
    static std::wstring UniqueTemporaryName();

private:
    enum class Target { kNew, kExisting, kDevice };

    void Inspect();
    void CreateTemporary(const TemporaryNames& names);
    void CarryOverIdentity();

    std::wstring target_;
    Target kind_ = Target::kNew;
    DWORD keptAttributes_ = 0;
    FILETIME keptCreation_{};
    std::wstring temporary_;
    UniqueFile file_;
    bool committed_ = false;
};

}  // namespace lumarind::win32
