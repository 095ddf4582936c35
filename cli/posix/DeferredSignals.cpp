#include "cli/posix/DeferredSignals.h"

#include <csignal>

namespace lumarind::cli {
namespace {

constexpr int kDeferred[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

volatile std::sig_atomic_t caught = 0;

extern "C" void NoteSignal(int number) {
    if (caught == 0) caught = number;
}

}  // namespace

DeferredSignals::DeferredSignals() {
    static_assert(sizeof kDeferred / sizeof kDeferred[0] == kCount);
    caught = 0;
    struct sigaction noting {};
    noting.sa_handler = NoteSignal;
    noting.sa_flags = SA_RESTART;
    sigfillset(&noting.sa_mask);
    for (int i = 0; i < kCount; ++i) {
        if (::sigaction(kDeferred[i], nullptr, &previous_[i]) != 0 || previous_[i].sa_handler == SIG_IGN) continue;
        held_[i] = ::sigaction(kDeferred[i], &noting, nullptr) == 0;
    }
}

DeferredSignals::~DeferredSignals() {
    for (int i = 0; i < kCount; ++i) {
        if (held_[i]) ::sigaction(kDeferred[i], &previous_[i], nullptr);
    }
    const int number = caught;
    caught = 0;
    if (number != 0) ::raise(number);
}

}  // namespace lumarind::cli
