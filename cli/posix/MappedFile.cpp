#include "cli/posix/MappedFile.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "cli/CliSteps.h"
#include "cli/posix/ErrnoError.h"

namespace lumarind::cli {
namespace {

// Large enough that mapping costs little per byte, small enough that the
// pages held stay few. Each is mapped with its page tables filled at once,
// which costs less than a fault every few pages.
constexpr off_t kWindowBytes = off_t{4} << 20;

// What the SIGBUS handler needs, set while a MappedFile lends.
std::atomic<bool> lending{false};
std::atomic<std::uintptr_t> windowBegin{0};
std::atomic<std::uintptr_t> windowEnd{0};
std::atomic<bool> pastTheEnd{false};
std::uintptr_t pageBytes = 0;
struct sigaction earlierAction {};

void OnBusError(int, siginfo_t* info, void*) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (address >= windowBegin.load() && address < windowEnd.load()) {
        // mmap is not on POSIX's list of calls safe here, but on Linux it is
        // one system call, and the fault is the reader's own load.
        void* const page = reinterpret_cast<void*>(address & ~(pageBytes - 1));
        if (::mmap(page, pageBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            pastTheEnd.store(true);
            return;
        }
    }
    // Not a page of ours: the fault repeats under the action there was before.
    ::sigaction(SIGBUS, &earlierAction, nullptr);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::Lend(int fd, off_t start, off_t end) {
    if (start >= end || lending.exchange(true)) return nullptr;
    pageBytes = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = &OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    pastTheEnd.store(false);
    if (::sigaction(SIGBUS, &action, &earlierAction) != 0) {
        lending.store(false);
        return nullptr;
    }
    std::unique_ptr<MappedFile> file(new MappedFile(fd, start, end));
    // A file system that maps nothing (some network and FUSE ones) is read.
    if (!file->MapNextWindow()) return nullptr;
    return file;
}

MappedFile::~MappedFile() {
    Unmap();
    ::sigaction(SIGBUS, &earlierAction, nullptr);
    lending.store(false);
}

void MappedFile::Unmap() {
    windowBegin.store(0);
    windowEnd.store(0);
    if (window_ != nullptr) ::munmap(window_, windowSize_);
    window_ = nullptr;
}

bool MappedFile::MapNextWindow() {
    Unmap();
    // A mapping starts on a page; the bytes before next_ are never lent.
    const off_t first = next_ - next_ % static_cast<off_t>(pageBytes);
    const off_t last = end_ - first > kWindowBytes ? first + kWindowBytes : end_;
    const auto size = static_cast<std::size_t>(last - first);
    void* const window = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd_, first);
    if (window == MAP_FAILED) return false;
    window_ = static_cast<char*>(window);
    windowSize_ = size;
    windowBegin.store(reinterpret_cast<std::uintptr_t>(window_));
    windowEnd.store(reinterpret_cast<std::uintptr_t>(window_) + windowSize_);
    at_ = window_ + (next_ - first);
    windowEnd_ = window_ + windowSize_;
    next_ = last;
    return true;
}

std::string_view MappedFile::Next(std::size_t most) {
    if (at_ == windowEnd_) {
        if (next_ == end_) {
            Unmap();
            return {};
        }
        if (!MapNextWindow()) ThrowErrno(errno);
    }
    const std::size_t left = static_cast<std::size_t>(windowEnd_ - at_);
    const std::string_view lent(at_, left < most ? left : most);
    at_ += lent.size();
    return lent;
}

void MappedFile::Check() const {
    if (pastTheEnd.load()) throw ChangedWhileReadError();
}

}  // namespace lumarind::cli
