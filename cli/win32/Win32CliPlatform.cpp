#include "cli/win32/Win32CliPlatform.h"

#include <windows.h>

#include <optional>
#include <string>
#include <tuple>

#include "cli/win32/ConsoleText.h"
#include "support/SupportFunctions.h"
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
    std::size_t SizeHint() const override {
        LARGE_INTEGER size{};
        if (GetFileType(handle_) != FILE_TYPE_DISK || !GetFileSizeEx(handle_, &size)) return 0;
        return static_cast<std::size_t>(size.QuadPart);
    }
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

// On a console the data URL and snippets (a Cyrillic file name in alt="...")
// are shown as text; elsewhere the bytes pass unchanged.
class StandardOutputSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { output_.Write(bytes); }
    void Commit() override { output_.Finish(); }

private:
    ConsoleText output_{GetStdHandle(STD_OUTPUT_HANDLE)};
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::wstring& path) : writer_(path) {}
    void Write(std::string_view bytes) override { writer_.Write(bytes); }
    void Commit() override { writer_.Commit(); }

private:
    win32::AtomicFileWriter writer_;
};

// The console itself, named as the output: its text goes through
// WriteConsoleW as standard output's does.
class ConsoleSink : public ByteSink {
public:
    explicit ConsoleSink(win32::UniqueFile console) : console_(std::move(console)), output_(console_.get()) {}
    void Write(std::string_view bytes) override { output_.Write(bytes); }
    void Commit() override { output_.Finish(); }

private:
    win32::UniqueFile console_;
    ConsoleText output_;
};

bool NamesTheConsole(std::wstring name) {
    for (const wchar_t* prefix : {L"\\\\.\\", L"\\\\?\\"}) {
        if (name.compare(0, 4, prefix) == 0) name.erase(0, 4);
    }
    if (!name.empty() && name.back() == L':') name.pop_back();
    for (const wchar_t* device : {L"CON", L"CONOUT$"}) {
        if (CompareStringOrdinal(name.c_str(), -1, device, -1, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

// What tells one file from another however it is named: its volume and its
// index on the volume, or else the final path the system resolves it to.
// Either may be unknown: under Wine both fail on a redirected standard
// input. (Wine's FileIdInfo answers there, but with an ID that differs from
// the same file's opened by name, so it is not asked.)
struct FileIdentity {
    std::optional<std::tuple<DWORD, DWORD, DWORD>> index;
    std::wstring finalPath;
};

FileIdentity IdentityOf(HANDLE handle) {
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information)) {
        identity.index = std::make_tuple(information.dwVolumeSerialNumber, information.nFileIndexHigh,
                                         information.nFileIndexLow);
    }
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return identity;
        if (length < path.size()) {
            path.resize(length);
            identity.finalPath = path;
            return identity;
        }
        path.resize(length);
    }
    return identity;
}

// True or false only when sure; throws while it cannot tell.
bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.index && b.index) return *a.index == *b.index;
    if (!a.finalPath.empty() && !b.finalPath.empty()) {
        return CompareStringOrdinal(a.finalPath.c_str(), -1, b.finalPath.c_str(), -1, TRUE) == CSTR_EQUAL;
    }
    throw Error(errors::kInvalidArgument, L"cannot tell whether it is one of the input files");
}

}  // namespace

std::unique_ptr<ByteSource> Win32CliPlatform::OpenInput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<HandleSource>(GetStdHandle(STD_INPUT_HANDLE), false);
    const std::wstring fullPath = win32::ExtendedPath(path);
    const DWORD attributes = GetFileAttributesW(fullPath.c_str());
    // What Windows itself answers for a folder opened as a file.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        win32::ThrowCode(ERROR_ACCESS_DENIED);
    }
    const HANDLE file = CreateFileW(fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) win32::ThrowLastError();
    return std::make_unique<HandleSource>(file, true);
}

std::unique_ptr<ByteSink> Win32CliPlatform::OpenOutput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<StandardOutputSink>();
    if (NamesTheConsole(path)) {
        win32::UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD mode = 0;
        if (console && GetConsoleMode(console.get(), &mode)) return std::make_unique<ConsoleSink>(std::move(console));
    }
    return std::make_unique<FileSink>(path);
}

std::unique_ptr<RegistryReader> Win32CliPlatform::NewRegistryReader() {
    return std::make_unique<win32::RegistryReaderWin32>();
}

std::wstring Win32CliPlatform::FileName(const std::wstring& path) const { return tsGetFileName(path); }

bool Win32CliPlatform::IsSameFile(const std::wstring& input, const std::wstring& output) {
    const win32::UniqueFile out(CreateFileW(win32::ExtendedPath(output).c_str(), 0,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!out) {
        // Only a name that leads to nothing is sure not to be an input.
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
        win32::ThrowCode(code);
    }
    // A device, a console or a pipe is not a file that -o replaces.
    if (GetFileType(out.get()) != FILE_TYPE_DISK) return false;
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    win32::UniqueFile opened;
    if (!input.empty()) {
        opened.reset(CreateFileW(win32::ExtendedPath(input).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        // An input that cannot be opened is never read, so never replaced.
        if (!opened) return false;
        in = opened.get();
    }
    if (in == nullptr || in == INVALID_HANDLE_VALUE || GetFileType(in) != FILE_TYPE_DISK) return false;
    return SameFile(IdentityOf(in), IdentityOf(out.get()));
}

void Win32CliPlatform::WriteError(std::string_view text) {
    // Nothing is left to tell when standard error itself fails.
    try {
        WriteUtf8Text(GetStdHandle(STD_ERROR_HANDLE), text);
    } catch (const Error&) {
    }
}

void Win32CliPlatform::WriteText(std::string_view text) { WriteUtf8Text(GetStdHandle(STD_OUTPUT_HANDLE), text); }

std::string_view Win32CliPlatform::LineBreak() const { return "\r\n"; }

}  // namespace lumarind::cli
