#include "support/win32/FileAccessWin32.h"

#include <windows.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "support/TextSlices.h"
#include "support/portable/OneLine.h"
#include "support/win32/AtomicFileWriter.h"
#include "support/win32/LongPath.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

// ReadFile and WriteFile move at most a DWORD at a time; 64 MiB keeps each
// call short without costing calls.
constexpr DWORD kIoChunk = 64u << 20;
// Characters converted to UTF-8 per write.
constexpr std::size_t kEncodeChunk = 1u << 20;

// A folder is refused with what Windows itself answers for a folder opened
// as a file, so that the user reads the system's own words for it.
void ThrowIfFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ThrowCode(ERROR_ACCESS_DENIED);
    }
}

// An open file read in pieces of at most a DWORD each.
class OpenFileContent : public FileContent {
public:
    OpenFileContent(UniqueFile file, LONGLONG size) : file_(std::move(file)), size_(size < 0 ? 0 : size) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t Read(char* buffer, std::size_t capacity) override {
        DWORD read = 0;
        if (!::ReadFile(file_.get(), buffer, capacity < kIoChunk ? static_cast<DWORD>(capacity) : kIoChunk, &read,
                        nullptr)) {
            // A pipe ends so when its writer has closed it: all it sent is read.
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE) return 0;
            ThrowCode(code);
        }
        return read;
    }

private:
    UniqueFile file_;
    std::uint64_t size_;
};

std::string AllocateContent(std::uint64_t size) {
    if (size > std::string().max_size()) {
        ThrowCode(ERROR_NOT_ENOUGH_MEMORY);
    }
    try {
        return std::string(static_cast<std::size_t>(size), '\0');
    } catch (const std::bad_alloc&) {
        ThrowCode(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::length_error&) {
        ThrowCode(ERROR_NOT_ENOUGH_MEMORY);
    }
}

// Writes the text as UTF-8 a slice at a time, so that no second copy of a
// large text is ever held.
// Slices end neither inside a surrogate pair nor inside a CR LF pair. A data
// URL is ASCII: its characters are narrowed straight into the output
// buffer; any other text goes through the system's UTF-8 conversion.
void WriteUtf8(AtomicFileWriter& file, std::wstring_view text, TextForm form) {
    std::vector<wchar_t> oneLine;
    std::vector<char> buffer;
    while (!text.empty()) {
        std::size_t count = oneline::SafeCut(text, kEncodeChunk);
        if (count < text.size() && IS_HIGH_SURROGATE(text[count - 1])) --count;
        std::wstring_view slice = text.substr(0, count);
        text.remove_prefix(count);
        if (IsAscii(slice)) {
            if (form == TextForm::kOneLine) {
                buffer.resize(oneline::Length(slice));
                oneline::Copy(slice, buffer.data());
            } else {
                buffer.assign(slice.begin(), slice.end());
            }
            file.Write({buffer.data(), buffer.size()});
            continue;
        }
        if (form == TextForm::kOneLine) {
            oneLine.resize(oneline::Length(slice));
            oneline::Copy(slice, oneLine.data());
            slice = std::wstring_view(oneLine.data(), oneLine.size());
        }
        buffer.resize(slice.size() * 3);
        const int bytes = slice.empty() ? 0
                                        : WideCharToMultiByte(CP_UTF8, 0, slice.data(), static_cast<int>(slice.size()),
                                                              buffer.data(), static_cast<int>(buffer.size()), nullptr,
                                                              nullptr);
        if (bytes == 0 && !slice.empty()) ThrowLastError();
        file.Write({buffer.data(), static_cast<std::size_t>(bytes)});
    }
}

}  // namespace

std::string FileAccessWin32::ReadFile(const std::wstring& path, bool, int, int, int, std::int32_t&,
                                      std::int32_t&, std::int32_t&, bool&) {
    const std::unique_ptr<FileContent> file = OpenContent(path);
    std::string content = AllocateContent(file->Size());
    std::size_t done = 0;
    while (done < content.size()) {
        const std::size_t read = file->Read(content.data() + done, content.size() - done);
        if (read == 0) break;  // another program shortened the file meanwhile
        done += read;
    }
    content.resize(done);
    return content;
}

std::unique_ptr<FileContent> FileAccessWin32::OpenContent(const std::wstring& path) {
    const std::wstring fullPath = ExtendedPath(path);
    ThrowIfFolder(fullPath);
    UniqueFile file(CreateFileW(fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) ThrowLastError();
    // A pipe or a character device has no size to ask for (the question
    // fails): it is read to its end, as a file reporting no size is.
    LARGE_INTEGER size{};
    if (GetFileType(file.get()) == FILE_TYPE_DISK && !GetFileSizeEx(file.get(), &size)) ThrowLastError();
    return std::make_unique<OpenFileContent>(std::move(file), size.QuadPart);
}

void FileAccessWin32::WriteFile(const std::wstring& path, std::wstring_view text, bool, int, int, int,
                                std::int32_t&, TextForm form) {
    AtomicFileWriter file(path);
    WriteUtf8(file, text, form);
    file.Commit();
}

void FileAccessWin32::WriteBytes(const std::wstring& path, std::string_view bytes, WorkProgress* progress) {
    AtomicFileWriter file(path);
    if (progress != nullptr) progress->SetTotal(bytes.size());
    while (!bytes.empty()) {
        if (progress != nullptr) progress->ThrowIfCancelled();
        const std::string_view piece = bytes.substr(0, kIoChunk);
        file.Write(piece);
        bytes.remove_prefix(piece.size());
        if (progress != nullptr) progress->Advance(piece.size());
    }
    if (progress != nullptr) progress->ThrowIfCancelled();
    file.Commit();
}

void FileAccessWin32::WriteText(const std::wstring& path, TextView text, TextForm form, WorkProgress* progress) {
    AtomicFileWriter file(path);
    if (progress != nullptr) progress->SetTotal(LengthOf(text, form));
    // Each slice is already in the form asked for; a data URL is ASCII and
    // goes out as it stands, other text as UTF-8.
    ForEachSlice(text, form, [&](auto slice) {
        if (progress != nullptr) progress->ThrowIfCancelled();
        if constexpr (sizeof(slice[0]) == 1) {
            file.Write(slice);
        } else {
            WriteUtf8(file, slice, TextForm::kAsIs);
        }
        if (progress != nullptr) progress->Advance(slice.size());
    });
    if (progress != nullptr) progress->ThrowIfCancelled();
    file.Commit();
}

}  // namespace lumarind::win32
