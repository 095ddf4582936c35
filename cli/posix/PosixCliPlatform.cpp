#include "cli/posix/PosixCliPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/posix/ClipboardTool.h"
#include "cli/posix/Descriptor.h"
#include "cli/posix/ErrnoError.h"
#include "cli/posix/FileNameBytes.h"
#include "cli/posix/FileStatus.h"
#include "cli/posix/MappedFile.h"
#include "cli/posix/MimeTypesReader.h"
#include "cli/posix/PosixNewFile.h"
#include "cli/posix/PosixOutputFile.h"
#include "cli/posix/WriteAll.h"

namespace lumarind::cli {
namespace {

class FileSource : public ByteSource {
public:
    FileSource(int fd, bool owned) : owned_(owned ? fd : -1), fd_(fd) {}
    std::size_t SizeHint() const override {
        struct stat status {};
        return ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
    }
    std::string_view Lend(char* buffer, std::size_t most) override {
        if (!mappingTried_) {
            mappingTried_ = true;
            struct stat status {};
            const off_t start = ::lseek(fd_, 0, SEEK_CUR);
            if (start >= 0 && ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) {
                mapping_ = MappedFile::Lend(fd_, start, status.st_size);
            }
        }
        if (mapping_) {
            const std::string_view lent = mapping_->Next(most);
            if (!lent.empty()) return lent;
            // A file that grew meanwhile is read on to its new end.
            CheckLent();
            if (::lseek(fd_, mapping_->End(), SEEK_SET) < 0) ThrowErrno(errno);
            mapping_.reset();
        }
        return {buffer, Read(buffer, most)};
    }
    void CheckLent() const override {
        if (mapping_) mapping_->Check();
    }
    std::size_t Read(char* buffer, std::size_t capacity) override {
        for (;;) {
            const ssize_t read = ::read(fd_, buffer, capacity);
            if (read >= 0) return static_cast<std::size_t>(read);
            if (errno != EINTR) ThrowErrno(errno);
        }
    }

private:
    Descriptor owned_;
    int fd_;
    bool mappingTried_ = false;
    std::unique_ptr<MappedFile> mapping_;
};

class StandardOutputSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { WriteAll(STDOUT_FILENO, bytes); }
    void Commit() override {}
    std::optional<FileIdentity> WrittenFile() const override {
        struct stat status {};
        if (::fstat(STDOUT_FILENO, &status) != 0) return std::nullopt;
        return RegularFileIdentity(status);
    }
};

}  // namespace

std::unique_ptr<ByteSource> PosixCliPlatform::OpenInput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<FileSource>(STDIN_FILENO, false);
    const int fd = ::open(FileNameToBytes(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(errno);
    auto source = std::make_unique<FileSource>(fd, true);
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) ThrowErrno(EISDIR);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return source;
}

std::unique_ptr<ByteSink> PosixCliPlatform::OpenOutput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<StandardOutputSink>();
    return OpenOutputFile(FileNameToBytes(path));
}

std::unique_ptr<NewFileSink> PosixCliPlatform::NewFileIn(const std::wstring& folder) {
    return NewFileInFolder(FileNameToBytes(folder));
}

std::unique_ptr<ByteSink> PosixCliPlatform::OpenClipboard() { return OpenClipboardTool(); }

std::unique_ptr<RegistryReader> PosixCliPlatform::NewRegistryReader() { return std::make_unique<MimeTypesReader>(); }

// Only '/' separates folders here; a backslash is part of a name.
std::wstring PosixCliPlatform::FileName(const std::wstring& path) const { return path.substr(path.rfind(L'/') + 1); }

std::optional<FileIdentity> PosixCliPlatform::InputFile(const std::wstring& input) {
    struct stat status {};
    const int found = input.empty() ? ::fstat(STDIN_FILENO, &status) : ::stat(FileNameToBytes(input).c_str(), &status);
    if (found != 0) return std::nullopt;
    return RegularFileIdentity(status);
}

void PosixCliPlatform::WriteError(std::string_view text) {
    // Nothing is left to tell when standard error itself fails.
    try {
        WriteAll(STDERR_FILENO, text);
    } catch (const Error&) {
    }
}

void PosixCliPlatform::WriteText(std::string_view text) { WriteAll(STDOUT_FILENO, text); }

std::string_view PosixCliPlatform::LineBreak() const { return "\n"; }

}  // namespace lumarind::cli
