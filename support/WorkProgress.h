// Long work beside the window's thread tells the window how far it has come
// through this, and the window asks it to stop through it; both sides use it
// at once.
#pragma once

#include <atomic>
#include <cstdint>

#include "support/Error.h"

namespace lumarind {

inline Error CancelledError() { return Error(errors::kCancelled, L"Cancelled."); }

class WorkProgress {
public:
    static constexpr int kWhole = 1000;

    void SetTotal(std::uint64_t total) { total_ = total; }
    void Advance(std::uint64_t done) { done_ += done; }
    // How far, from 0 to kWhole; 0 while nothing is known.
    int Done() const {
        const std::uint64_t total = total_, done = done_;
        if (total == 0) return 0;
        return done >= total ? kWhole : static_cast<int>(done * kWhole / total);
    }
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    // The work's own check, between two of its pieces.
    void ThrowIfCancelled() const {
        if (cancelled_) throw CancelledError();
    }

private:
    std::atomic<std::uint64_t> total_{0};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<bool> cancelled_{false};
};

}  // namespace lumarind
