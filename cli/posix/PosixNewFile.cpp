#include "cli/posix/PosixNewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cli/SafeFileName.h"
#include "cli/posix/Descriptor.h"
#include "cli/posix/ErrnoError.h"
#include "cli/posix/FileNameBytes.h"
#include "cli/posix/WriteAll.h"

namespace lumarind::cli {
namespace {

constexpr int kMostNumbers = 10000;

class PosixNewFile : public NewFileSink {
public:
    explicit PosixNewFile(const std::string& folder) {
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) ThrowErrno(errno);
        folder_ = Descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder_) ThrowErrno(errno);
        file_ = Descriptor(::openat(folder_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        for (int attempt = 0; !file_ && (errno == EOPNOTSUPP || errno == EISDIR || errno == EEXIST); ++attempt) {
            if (attempt == 100) ThrowErrno(EEXIST);
            char name[32];
            std::snprintf(name, sizeof name, ".lumarind-cli-%08x", static_cast<unsigned>(::arc4random()));
            file_ = Descriptor(::openat(folder_.get(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (file_) temporary_ = name;
        }
        if (!file_) ThrowErrno(errno);
    }

    ~PosixNewFile() override {
        if (!temporary_.empty()) ::unlinkat(folder_.get(), temporary_.c_str(), 0);
    }

    void Write(std::string_view bytes) override { WriteAll(file_.get(), bytes); }
    void SetName(const std::wstring& name) override { name_ = name; }
    std::wstring Name() const override { return name_; }

    void Commit() override {
        if (::fsync(file_.get()) != 0) ThrowErrno(errno);
        const std::string self = "/proc/self/fd/" + std::to_string(file_.get());
        for (int number = 1; number <= kMostNumbers; ++number) {
            const std::wstring name = number == 1 ? name_ : NumberedName(name_, number);
            const std::string bytes = FileNameToBytes(name);
            const int linked = temporary_.empty()
                                   ? ::linkat(AT_FDCWD, self.c_str(), folder_.get(), bytes.c_str(), AT_SYMLINK_FOLLOW)
                                   : ::linkat(folder_.get(), temporary_.c_str(), folder_.get(), bytes.c_str(), 0);
            if (linked == 0) {
                name_ = name;
                file_.Close();
                return;
            }
            if (errno != EEXIST) ThrowErrno(errno);
        }
        ThrowErrno(EEXIST);
    }

private:
    Descriptor folder_;
    Descriptor file_;
    std::string temporary_;
    std::wstring name_;
};

}  // namespace

std::unique_ptr<NewFileSink> NewFileInFolder(const std::string& folder) { return std::make_unique<PosixNewFile>(folder); }

}  // namespace lumarind::cli
