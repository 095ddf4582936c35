#include "cli/Output.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "cli/CliSteps.h"

namespace lumarind::cli {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 19;
// One block filled while one is written and one waits its turn.
constexpr std::size_t kMostBlocks = 3;

}  // namespace

Output::Output(CliPlatform& platform, std::wstring path, bool toClipboard)
    : platform_(platform),
      path_(std::move(path)),
      toClipboard_(toClipboard),
      action_(toClipboard ? kCannotCopy : kCannotWrite),
      mostBlocks_(kMostBlocks) {}

Output::~Output() { Stop(); }

std::optional<FileIdentity> Output::WrittenFile() {
    Open();
    return sink_->WrittenFile();
}

void Output::Write(std::string_view bytes) {
    do {
        const std::size_t count = std::min(bytes.size(), kMostAtOnce);
        std::memcpy(Space(), bytes.data(), count);
        Add(count);
        bytes.remove_prefix(count);
    } while (!bytes.empty());
}

char* Output::Space() {
    Open();
    if (!filling_.bytes) {
        Doing(action_, path_, [&] { filling_.bytes.reset(new char[kBlockSize + kMostAtOnce]); });
        ++blocks_;
    }
    return filling_.bytes.get() + filling_.size;
}

void Output::Add(std::size_t count) {
    filling_.size += count;
    if (filling_.size >= kBlockSize) PassOn();
}

void Output::Commit() {
    Open();
    Drain();
    Doing(action_, path_, [&] {
        if (filling_.size != 0) sink_->Write({filling_.bytes.get(), filling_.size});
        filling_.size = 0;
        sink_->Commit();
    });
}

void Output::Open() {
    if (!sink_) Doing(action_, path_, [&] { sink_ = toClipboard_ ? platform_.OpenClipboard() : platform_.OpenOutput(path_); });
}

void Output::PassOn() {
    Block next;
    if (writer_.joinable() || StartWriter()) next = NextBlock();
    if (!next.bytes) {
        WriteHere();
        return;
    }
    next.size = filling_.size - kBlockSize;
    std::memcpy(next.bytes.get(), filling_.bytes.get() + kBlockSize, next.size);
    filling_.size = kBlockSize;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queued_.push_back(std::exchange(filling_, std::move(next)));
    }
    changed_.notify_all();
}

Output::Block Output::NextBlock() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ThrowWriterFailure();
        Block block;
        if (!free_.empty()) {
            block = std::move(free_.back());
            free_.pop_back();
            return block;
        }
        if (blocks_ < mostBlocks_) {
            block.bytes.reset(new (std::nothrow) char[kBlockSize + kMostAtOnce]);
            if (block.bytes) {
                ++blocks_;
                return block;
            }
            mostBlocks_ = blocks_;
        }
        // With one block only, the writer holds none and is idle.
        if (blocks_ == 1) return block;
        changed_.wait(lock, [&] { return !free_.empty() || failure_; });
    }
}

void Output::WriteHere() {
    Doing(action_, path_, [&] { sink_->Write({filling_.bytes.get(), kBlockSize}); });
    filling_.size -= kBlockSize;
    std::memmove(filling_.bytes.get(), filling_.bytes.get() + kBlockSize, filling_.size);
}

bool Output::StartWriter() {
    try {
        queued_.reserve(kMostBlocks);
        free_.reserve(kMostBlocks);
        writer_ = std::thread([this] { WriteBlocks(); });
        return true;
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void Output::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return (queued_.empty() && !writing_) || failure_; });
    ThrowWriterFailure();
}

void Output::ThrowWriterFailure() {
    if (failure_) Doing(action_, path_, [&] { std::rethrow_exception(failure_); });
}

void Output::WriteBlocks() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || (!queued_.empty() && !failure_); });
        if (stopping_) return;
        Block block = std::move(queued_.front());
        queued_.erase(queued_.begin());
        writing_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            sink_->Write({block.bytes.get(), block.size});
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        writing_ = false;
        if (failure) failure_ = failure;
        free_.push_back(std::move(block));
        changed_.notify_all();
    }
}

void Output::Stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) writer_.join();
}

}  // namespace lumarind::cli
