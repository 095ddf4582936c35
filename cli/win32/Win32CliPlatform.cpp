#include "cli/win32/Win32CliPlatform.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <optional>
#include <string>

#include "cli/SafeFileName.h"
#include "cli/win32/ConsoleText.h"
#include "support/SupportFunctions.h"
#include "support/portable/Utf8.h"
#include "support/win32/AtomicFileWriter.h"
#include "support/win32/ClipboardTextWin32.h"
#include "support/win32/LongPath.h"
#include "support/win32/RegistryWin32.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WriteAll.h"

namespace lumarind::cli {
namespace {

constexpr DWORD kIoChunk = 64u << 20;

std::optional<FileIdentity> IdentityByName(const std::wstring& path);

// The final path the system resolves an open file to; empty when it will not say.
std::wstring FinalPathOf(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return L"";
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
    return L"";
}

std::uint64_t Joined(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

// A file's number, last write and size with its volume unknown: under Wine
// a redirected standard handle is made from a Unix descriptor that has no
// name, so neither its volume nor its final path can be asked, while these
// come from the descriptor itself.
std::optional<FileIdentity> IdentityWithoutVolume(HANDLE handle) {
    IO_STATUS_BLOCK status{};
    FILE_INTERNAL_INFORMATION internal{};
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!NT_SUCCESS(NtQueryInformationFile(handle, &status, &internal, sizeof internal, FileInternalInformation)) ||
        !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        return std::nullopt;
    }
    if (standard.Directory) return std::nullopt;
    FileIdentity identity{0, static_cast<std::uint64_t>(internal.IndexNumber.QuadPart)};
    identity.deviceKnown = false;
    identity.lastWrite = static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart);
    identity.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    return identity;
}

// The regular file an open handle reads or writes: none for a pipe, a device
// or a folder. Throws when it is a file on a disk that cannot be told apart
// from others. Under Wine GetFileInformationByHandle fails on a redirected
// standard handle; its final path is then asked, and last its number.
std::optional<FileIdentity> IdentityOf(HANDLE handle, bool byFinalPath = true) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information)) {
        if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
        FileIdentity identity{information.dwVolumeSerialNumber,
                              Joined(information.nFileIndexHigh, information.nFileIndexLow)};
        identity.lastWrite = Joined(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
        identity.size = Joined(information.nFileSizeHigh, information.nFileSizeLow);
        return identity;
    }
    const std::wstring finalPath = byFinalPath ? FinalPathOf(handle) : std::wstring();
    if (!finalPath.empty()) {
        if (const std::optional<FileIdentity> identity = IdentityByName(finalPath)) return identity;
    }
    if (const std::optional<FileIdentity> identity = IdentityWithoutVolume(handle)) return identity;
    throw Error(errors::kInvalidArgument, L"cannot tell whether it is one of the input files");
}

std::optional<FileIdentity> IdentityByName(const std::wstring& path) {
    const win32::UniqueFile file(CreateFileW(win32::ExtendedPath(path).c_str(), 0,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file ? IdentityOf(file.get(), false) : std::nullopt;
}

// Standard output's file; refused, as standard input is, when it cannot be
// told apart.
std::optional<FileIdentity> StandardOutputIdentity() { return IdentityOf(GetStdHandle(STD_OUTPUT_HANDLE)); }

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
    std::optional<FileIdentity> WrittenFile() const override { return StandardOutputIdentity(); }

private:
    ConsoleText output_{GetStdHandle(STD_OUTPUT_HANDLE)};
};

// The text goes on the clipboard as the window's copy puts it there, and
// only once it is whole.
class ClipboardSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { text_.append(bytes); }
    void Commit() override {
        win32::ClipboardTextWin32 clipboard;
        std::int32_t scratch = 0;
        if (IsAscii(text_)) {
            clipboard.SetDocument(TextView(std::string_view(text_)), scratch, TextForm::kAsIs);
        } else {
            clipboard.SetText(FromUtf8(text_), scratch);
        }
    }

private:
    static bool IsAscii(std::string_view text) {
        unsigned char high = 0;
        for (const char c : text) high |= static_cast<unsigned char>(c);
        return high < 0x80;
    }

    std::string text_;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::wstring& path) : writer_(path), replaced_(IdentityByName(path)) {}
    void Write(std::string_view bytes) override { writer_.Write(bytes); }
    void Commit() override { writer_.Commit(); }
    std::optional<FileIdentity> WrittenFile() const override { return replaced_; }

private:
    win32::AtomicFileWriter writer_;
    std::optional<FileIdentity> replaced_;
};

// A new file for --extract: a hidden temporary file in the folder, flushed
// and moved to its name at the end; moving without MOVEFILE_REPLACE_EXISTING
// never replaces a file that has the name.
class NewFile : public NewFileSink {
public:
    explicit NewFile(const std::wstring& folder) : folder_(folder) {
        if (!CreateDirectoryW(win32::ExtendedPath(folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            win32::ThrowLastError();
        }
        for (int attempt = 0; !file_; ++attempt) {
            temporary_ = folder_ + L"\\.lumarind-cli-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(GetTickCount64() + static_cast<ULONGLONG>(attempt));
            file_.reset(CreateFileW(win32::ExtendedPath(temporary_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN, nullptr));
            if (!file_ && (GetLastError() != ERROR_FILE_EXISTS || attempt == 100)) win32::ThrowLastError();
        }
    }
    ~NewFile() override {
        if (!committed_) {
            file_.reset();
            DeleteFileW(win32::ExtendedPath(temporary_).c_str());
        }
    }

    void Write(std::string_view bytes) override { win32::WriteAll(file_.get(), bytes); }
    void SetName(const std::wstring& name) override { name_ = name; }
    std::wstring Name() const override { return name_; }

    void Commit() override {
        if (!FlushFileBuffers(file_.get())) win32::ThrowLastError();
        file_.reset();
        SetFileAttributesW(win32::ExtendedPath(temporary_).c_str(), FILE_ATTRIBUTE_NORMAL);
        for (int number = 1; number <= 10000; ++number) {
            const std::wstring name = number == 1 ? name_ : NumberedName(name_, number);
            if (MoveFileExW(win32::ExtendedPath(temporary_).c_str(), win32::ExtendedPath(folder_ + L"\\" + name).c_str(),
                            MOVEFILE_WRITE_THROUGH)) {
                name_ = name;
                committed_ = true;
                return;
            }
            const DWORD code = GetLastError();
            if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) win32::ThrowCode(code);
        }
        win32::ThrowCode(ERROR_FILE_EXISTS);
    }

private:
    std::wstring folder_;
    std::wstring temporary_;
    std::wstring name_;
    win32::UniqueFile file_;
    bool committed_ = false;
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

std::unique_ptr<NewFileSink> Win32CliPlatform::NewFileIn(const std::wstring& folder) {
    return std::make_unique<NewFile>(folder);
}

std::unique_ptr<ByteSink> Win32CliPlatform::OpenClipboard() { return std::make_unique<ClipboardSink>(); }

std::unique_ptr<RegistryReader> Win32CliPlatform::NewRegistryReader() {
    return std::make_unique<win32::RegistryReaderWin32>();
}

std::wstring Win32CliPlatform::FileName(const std::wstring& path) const { return tsGetFileName(path); }

std::optional<FileIdentity> Win32CliPlatform::InputFile(const std::wstring& input) {
    return input.empty() ? IdentityOf(GetStdHandle(STD_INPUT_HANDLE)) : IdentityByName(input);
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
