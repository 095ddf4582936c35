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
//
// No failure loses the content: a replacement that another program (a virus
// scanner, the search indexer) briefly keeps from happening is tried again
// for about a second, and when ReplaceFileW fails half-way, with the old file
// gone from its name, the new file is moved into its place; the temporary
// file is removed only when it is not the one copy of the new content.
class AtomicFileWriter {
public:
    // The name (without folder) of a temporary file; a new one each call.
    using TemporaryNames = std::function<std::wstring()>;
    // Replaces the file at replaced with the one at replacement, keeping the
    // replaced file's identity, without a backup; ReplaceFileW's contract.
    using ReplaceCall = std::function<BOOL(const wchar_t* replaced, const wchar_t* replacement)>;

    explicit AtomicFileWriter(const std::wstring& path, const TemporaryNames& names = UniqueTemporaryName,
                              ReplaceCall replace = ReplaceFileKeepingIdentity);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    ~AtomicFileWriter();

    void Write(std::string_view bytes);
    void Commit();

    // For a program that must end while a write is stuck for good (a dead
    // network share, a hung device), so that its writer's destructor never
    // runs: every unfinished temporary file is marked for deletion, which
    // takes effect when the stuck handle closes with the process, and those
    // writers can no longer commit. Writers made afterwards are not touched.
    static void DiscardUnfinished() noexcept;

    // "~lumarind-" + a new GUID + ".tmp": no two saves, in any process, share it.
    static std::wstring UniqueTemporaryName();
    static BOOL ReplaceFileKeepingIdentity(const wchar_t* replaced, const wchar_t* replacement);

private:
    enum class Target { kNew, kExisting, kDevice };

    void Inspect();
    void CreateTemporary(const TemporaryNames& names);
    void CarryOverIdentity();
    void ReplaceTarget();
    void MoveIntoPlace();

    std::wstring target_;
    Target kind_ = Target::kNew;
    DWORD keptAttributes_ = 0;
    FILETIME keptCreation_{};
    std::wstring temporary_;
    ReplaceCall replace_;
    UniqueFile file_;
    bool committed_ = false;
    // Set by DiscardUnfinished; guarded by its lock.
    bool discarded_ = false;
};

}  // namespace lumarind::win32
