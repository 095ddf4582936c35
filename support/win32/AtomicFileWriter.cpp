#include "support/win32/AtomicFileWriter.h"

#include <objbase.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "support/win32/LongPath.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WriteAll.h"

namespace lumarind::win32 {
namespace {

// The attributes a replaced file keeps. Read-only never reaches here: such a
// file is refused, since replacing it would sidestep the mark.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// A name that is taken is skipped; this many taken in a row is no accident.
constexpr int kTemporaryNameAttempts = 32;

bool IsDevicePath(const std::wstring& path) { return path.rfind(L"\\\\.\\", 0) == 0; }

bool IsTaken(DWORD code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

// How long a virus scanner or the search indexer may hold a freshly written
// file before the save gives up and lets the user choose, and the pause
// between tries.
constexpr ULONGLONG kBusyMilliseconds = 1000;
constexpr DWORD kBusyPause = 50;

bool IsBusy(DWORD code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED; }

// Runs a file call (returning its error code, ERROR_SUCCESS when it worked)
// again while another program briefly holds a file it needs.
template <typename Call>
DWORD RetriedWhileBusy(Call&& call) {
    const ULONGLONG deadline = GetTickCount64() + kBusyMilliseconds;
    for (;;) {
        const DWORD code = call();
        if (!IsBusy(code) || GetTickCount64() >= deadline) return code;
        Sleep(kBusyPause);
    }
}

// The path of the file itself, with every link on the way resolved; the
// given path when the file system cannot tell.
std::wstring FinalPath(HANDLE file, const std::wstring& fallback) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return fallback;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t end = path.find_last_of(L"\\/");
    return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

// The writers whose temporary file exists and is not yet committed, for
// DiscardUnfinished on another thread.
struct UnfinishedWriters {
    std::mutex lock;
    std::vector<AtomicFileWriter*> writers;
};

UnfinishedWriters& Unfinished() {
    static UnfinishedWriters unfinished;
    return unfinished;
}

void Forget(AtomicFileWriter* writer) {
    std::vector<AtomicFileWriter*>& writers = Unfinished().writers;
    writers.erase(std::remove(writers.begin(), writers.end(), writer), writers.end());
}

}  // namespace

void AtomicFileWriter::DiscardUnfinished() noexcept {
    UnfinishedWriters& unfinished = Unfinished();
    const std::lock_guard<std::mutex> guard(unfinished.lock);
    for (AtomicFileWriter* writer : unfinished.writers) {
        writer->discarded_ = true;
        // The file was made shareable for deletion for this.
        DeleteFileW(writer->temporary_.c_str());
    }
    unfinished.writers.clear();
}

std::wstring AtomicFileWriter::UniqueTemporaryName() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) ThrowCode(ERROR_GEN_FAILURE);
    wchar_t text[40] = {};
    if (StringFromGUID2(guid, text, 40) == 0) ThrowCode(ERROR_INSUFFICIENT_BUFFER);
    return L"~lumarind-" + std::wstring(text) + L".tmp";
}

BOOL AtomicFileWriter::ReplaceFileKeepingIdentity(const wchar_t* replaced, const wchar_t* replacement) {
    return ReplaceFileW(replaced, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
}

AtomicFileWriter::AtomicFileWriter(const std::wstring& path, const TemporaryNames& names, ReplaceCall replace)
    : target_(ExtendedPath(path)), replace_(std::move(replace)) {
    Inspect();
    if (kind_ == Target::kDevice) {
        file_.reset(CreateFileW(target_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
        if (!file_) ThrowLastError();
        return;
    }
    CreateTemporary(names);
}

AtomicFileWriter::~AtomicFileWriter() {
    {
        const std::lock_guard<std::mutex> guard(Unfinished().lock);
        Forget(this);
    }
    if (committed_ || temporary_.empty()) return;
    file_.reset();
    DeleteFileW(temporary_.c_str());
}

// Looks at what the path names now, following links.
void AtomicFileWriter::Inspect() {
    if (IsDevicePath(target_)) {
        kind_ = Target::kDevice;
        return;
    }
    // Asking for DELETE as well finds a file that another program holds
    // open against replacement now, before anything is written.
    // A scanner may still be reading what the last save wrote.
    UniqueFile existing;
    const DWORD code = RetriedWhileBusy([&] {
        existing.reset(CreateFileW(target_.c_str(), FILE_READ_ATTRIBUTES | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return existing ? DWORD{ERROR_SUCCESS} : GetLastError();
    });
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return;  // a new file
    if (code != ERROR_SUCCESS) ThrowCode(code);
    if (GetFileType(existing.get()) != FILE_TYPE_DISK) {
        kind_ = Target::kDevice;
        return;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(existing.get(), &information)) ThrowLastError();
    // What Windows itself answers for a folder opened as a file.
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) ThrowCode(ERROR_ACCESS_DENIED);
    // Replacing by rename would sidestep the read-only mark; honour it.
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) ThrowCode(ERROR_ACCESS_DENIED);
    kind_ = Target::kExisting;
    keptAttributes_ = information.dwFileAttributes & kKeptAttributes;
    keptCreation_ = information.ftCreationTime;
    target_ = FinalPath(existing.get(), target_);
}

void AtomicFileWriter::CreateTemporary(const TemporaryNames& names) {
    const std::wstring folder = FolderOf(target_);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::wstring candidate = folder + names();
        // Shared for deletion only, so that DiscardUnfinished can remove it
        // while a stuck write still holds it.
        file_.reset(CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN, nullptr));
        if (file_) {
            temporary_ = candidate;
            const std::lock_guard<std::mutex> guard(Unfinished().lock);
            Unfinished().writers.push_back(this);
            return;
        }
        const DWORD code = GetLastError();
        if (!IsTaken(code)) ThrowCode(code);
    }
    ThrowCode(ERROR_FILE_EXISTS);
}

void AtomicFileWriter::Write(std::string_view bytes) { WriteAll(file_.get(), bytes); }

// The new file takes the old one's attributes and creation time (and loses
// the temporary file's hidden mark). ReplaceFileW does this on Windows;
// doing it here as well covers file systems and systems where it does not.
void AtomicFileWriter::CarryOverIdentity() {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = keptAttributes_ != 0 ? keptAttributes_ : FILE_ATTRIBUTE_NORMAL;
    if (kind_ == Target::kExisting) {
        basic.CreationTime.LowPart = keptCreation_.dwLowDateTime;
        basic.CreationTime.HighPart = static_cast<LONG>(keptCreation_.dwHighDateTime);
    }
    if (!SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic)) ThrowLastError();
}

void AtomicFileWriter::Commit() {
    if (kind_ == Target::kDevice) {
        file_.reset();
        committed_ = true;
        return;
    }
    CarryOverIdentity();
    if (!FlushFileBuffers(file_.get())) ThrowLastError();
    {
        // From here on the temporary file may be the one copy of the new
        // content: no longer to discard, unless it has been already.
        const std::lock_guard<std::mutex> guard(Unfinished().lock);
        if (discarded_) ThrowCode(ERROR_OPERATION_ABORTED);
        Forget(this);
    }
    file_.reset();
    if (kind_ == Target::kExisting) {
        ReplaceTarget();
    } else {
        MoveIntoPlace();
    }
    committed_ = true;
}

// Keeps the old file's owner, permissions and streams. What each failure
// leaves is documented for ReplaceFileW without a backup name.
void AtomicFileWriter::ReplaceTarget() {
    const DWORD code = RetriedWhileBusy(
        [&] { return replace_(target_.c_str(), temporary_.c_str()) ? DWORD{ERROR_SUCCESS} : GetLastError(); });
    switch (code) {
    case ERROR_SUCCESS:
        return;
    // The old file is gone from its name (1176: deleted; 1177: moved to a
    // name of the system's choosing), and the new content is only in the
    // temporary file: it takes the target's name.
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        MoveIntoPlace();
        return;
    // ERROR_UNABLE_TO_REMOVE_REPLACED (1175) and the rest: both files keep
    // their names, so the old file is whole and the temporary one may go.
    default:
        ThrowCode(code);
    }
}

// The temporary file takes the target's name. When it cannot, and the old
// file no longer has that name, the temporary file is the one copy of the
// new content: it stays, visible, and the error names it.
void AtomicFileWriter::MoveIntoPlace() {
    const DWORD code = RetriedWhileBusy([&] {
        return MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? DWORD{ERROR_SUCCESS}
                   : GetLastError();
    });
    if (code == ERROR_SUCCESS) return;
    if (kind_ == Target::kNew) ThrowCode(code);
    committed_ = true;
    SetFileAttributesW(temporary_.c_str(), FILE_ATTRIBUTE_NORMAL);
    throw Error(static_cast<std::int32_t>(code), SystemMessage(code) + L"\r\n" + UsualPath(temporary_));
}

}  // namespace lumarind::win32
