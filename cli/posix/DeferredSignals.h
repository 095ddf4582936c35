// Keeps Ctrl-C and the other signals that end a program by default from
// ending it in the middle of a change that must be made whole: while one of
// these lives, SIGINT, SIGTERM, SIGHUP and SIGQUIT are only noted, and the
// first of them is acted on (with its default action) once it is gone.
// Signals this process ignores stay ignored. SIGKILL cannot be held back.
#pragma once

#include <signal.h>

namespace lumarind::cli {

class DeferredSignals {
public:
    DeferredSignals();
    ~DeferredSignals();
    DeferredSignals(const DeferredSignals&) = delete;
    DeferredSignals& operator=(const DeferredSignals&) = delete;

private:
    static constexpr int kCount = 4;
    struct sigaction previous_[kCount] {};
    bool held_[kCount] {};
};

}  // namespace lumarind::cli
