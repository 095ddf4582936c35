#include "cli/win32/Win32CliPlatform.h"

#include <windows.h>

#include "support/win32/AtomicFileWriter.h"
#include "support/win32/LongPath.h"
#include "support/win32/RegistryWin32.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"

namespace lumarind::cli {
namespace {

constexpr DWORD kIoChunk = 64u << 20;

class HandleSource : public ByteSource {
public:
    HandleSource(HANDLE handle, bool owned) : owned_(owned ? handle : INVALID_HANDLE_VALUE), handle_(handle) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
        DWORD read = 0;
        const DWORD chunk = capacity < kIoChunk ? static_cast<DWORD>(capacity) : kIoChunk;
        if (!::ReadFile(handle_, buffer, chunk, &read, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;  // the writer is done
            win32::ThrowCode(code);
        }
        return read;
    }

private:
    win32::UniqueFile owned_;
    HANDLE handle_;
};

class StandardOutputSink : public ByteSink {
public:
    void Write(std::string_view bytes) override {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        while (!bytes.empty()) {
            const DWORD chunk = bytes.size() < kIoChunk ? static_cast<DWORD>(bytes.size()) : kIoChunk;
            DWORD written = 0;
            if (!::WriteFile(out, bytes.data(), chunk, &written, nullptr)) win32::ThrowLastError();
            bytes.remove_prefix(written);
        }
    }
    void Commit() override {}
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::wstring& path) : writer_(path) {}
    void Write(std::string_view bytes) override { writer_.Write(bytes); }
    void Commit() override { writer_.Commit(); }

private:
    win32::AtomicFileWriter writer_;
};

}  // namespace

std::unique_ptr<ByteSource> Win32CliPlatform::OpenInput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<HandleSource>(GetStdHandle(STD_INPUT_HANDLE), false);
    const std::wstring fullPath = win32::ExtendedPath(path);
    const DWORD attributes = GetFileAttributesW(fullPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        win32::ThrowCode(win32::kErrorDirectoryNotSupported);
    }
    const HANDLE file = CreateFileW(fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) win32::ThrowLastError();
    return std::make_unique<HandleSource>(file, true);
}

std::unique_ptr<ByteSink> Win32CliPlatform::OpenOutput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<StandardOutputSink>();
    return std::make_unique<FileSink>(path);
}

std::unique_ptr<RegistryReader> Win32CliPlatform::NewRegistryReader() {
    return std::make_unique<win32::RegistryReaderWin32>();
}

void Win32CliPlatform::WriteError(std::string_view line) {
    DWORD written = 0;
    ::WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace lumarind::cli
