#include "support/win32/AtomicFileWriter.h"

#include <windows.h>

#include <atomic>

#include "support/win32/LongPath.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

// WriteFile moves at most a DWORD at a time.
constexpr DWORD kIoChunk = 64u << 20;

std::wstring TemporaryPathBeside(const std::wstring& target) {
    static std::atomic<unsigned> counter{0};
    const std::size_t folderEnd = target.find_last_of(L"\\/");
    const std::wstring folder = folderEnd == std::wstring::npos ? std::wstring() : target.substr(0, folderEnd + 1);
    return folder + L"~lumarind-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) +
           L".tmp";
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::wstring& path) : target_(ExtendedPath(path)) {
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) ThrowCode(kErrorDirectoryNotSupported);
        // Replacing by rename would sidestep the read-only mark; honour it.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) ThrowCode(ERROR_ACCESS_DENIED);
    }
    temporary_ = TemporaryPathBeside(target_);
    file_.reset(CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) ThrowLastError();
}

AtomicFileWriter::~AtomicFileWriter() {
    if (committed_) return;
    file_.reset();
    DeleteFileW(temporary_.c_str());
}

void AtomicFileWriter::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() < kIoChunk ? static_cast<DWORD>(bytes.size()) : kIoChunk;
        DWORD written = 0;
        if (!::WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr)) ThrowLastError();
        bytes.remove_prefix(written);
    }
}

void AtomicFileWriter::Commit() {
    if (!FlushFileBuffers(file_.get())) ThrowLastError();
    file_.reset();
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError();
    }
    committed_ = true;
}

}  // namespace lumarind::win32
