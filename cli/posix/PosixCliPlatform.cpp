#include "cli/posix/PosixCliPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "cli/posix/MimeTypesReader.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

[[noreturn]] void ThrowErrno(int code) { throw Error(code, FromUtf8(std::strerror(code))); }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    int get() const { return fd_; }
    int Close() {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(int fd, bool owned) : fd_(owned ? fd : -1), raw_(fd) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
        for (;;) {
            const ssize_t read = ::read(raw_, buffer, capacity);
            if (read >= 0) return static_cast<std::size_t>(read);
            if (errno != EINTR) ThrowErrno(errno);
        }
    }

private:
    Descriptor fd_;
    int raw_;
};

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

class StandardOutputSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { WriteAll(STDOUT_FILENO, bytes); }
    void Commit() override {}
};

class AtomicFileSink : public ByteSink {
public:
    explicit AtomicFileSink(std::string target) : target_(std::move(target)), temporary_(TemporaryName(target_)) {
        struct stat status {};
        if (::stat(target_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) ThrowErrno(EISDIR);
        std::string pattern = temporary_;
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) ThrowErrno(errno);
        temporary_ = pattern;
        // Keep the permissions an existing file had, or the usual ones.
        ::fchmod(fd_, ::stat(target_.c_str(), &status) == 0 ? (status.st_mode & 07777) : DefaultMode());
    }
    AtomicFileSink(const AtomicFileSink&) = delete;
    AtomicFileSink& operator=(const AtomicFileSink&) = delete;
    ~AtomicFileSink() override {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(temporary_.c_str());
    }
    void Write(std::string_view bytes) override { WriteAll(fd_, bytes); }
    void Commit() override {
        if (::fsync(fd_) != 0) ThrowErrno(errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) ThrowErrno(errno);
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) ThrowErrno(errno);
        committed_ = true;
    }

private:
    static std::string TemporaryName(const std::string& target) {
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
        return folder + ".lumarind-cli-XXXXXX";
    }
    static mode_t DefaultMode() {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> PosixCliPlatform::OpenInput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<FileSource>(STDIN_FILENO, false);
    const std::string name = ToUtf8(path);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowErrno(errno);
    auto source = std::make_unique<FileSource>(fd, true);
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) ThrowErrno(EISDIR);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return source;
}

std::unique_ptr<ByteSink> PosixCliPlatform::OpenOutput(const std::wstring& path) {
    if (path.empty()) return std::make_unique<StandardOutputSink>();
    return std::make_unique<AtomicFileSink>(ToUtf8(path));
}

std::unique_ptr<RegistryReader> PosixCliPlatform::NewRegistryReader() { return std::make_unique<MimeTypesReader>(); }

void PosixCliPlatform::WriteError(std::string_view line) {
    ::write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace lumarind::cli
