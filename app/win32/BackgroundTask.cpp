#include "app/win32/BackgroundTask.h"

#include <utility>

#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

// How often a thread's read or write is cancelled again while StopAll waits:
// one that began just after the last cancel, before the thread looked at the
// flag, would otherwise be waited for to the end.
constexpr DWORD kCancelAgainMs = 50;

struct ThreadStart {
    WorkJob job;
    std::shared_ptr<WorkProgress> progress;
    HWND window;
    UINT message;
    unsigned number;
};

DWORD WINAPI RunJob(void* parameter) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    try {
        start->job(*start->progress);
    } catch (...) {
        // A job reports its own outcome; nothing may leave the thread.
    }
    PostMessageW(start->window, start->message, start->number, 0);
    return 0;
}

}  // namespace

bool BackgroundTask::StopAll() {
    if (running_) Retire(std::move(*running_));
    running_.reset();
    for (Job& job : retired_) job.progress->Cancel();
    const DWORD started = GetTickCount();
    bool allEnded = true;
    for (const Job& job : retired_) {
        for (;;) {
            CancelSynchronousIo(job.thread.get());
            const DWORD waited = GetTickCount() - started;
            const DWORD left = waited < endWaitMs_ ? endWaitMs_ - waited : 0;
            if (WaitForSingleObject(job.thread.get(), left < kCancelAgainMs ? left : kCancelAgainMs) == WAIT_OBJECT_0) {
                break;
            }
            if (left == 0) {
                allEnded = false;
                break;
            }
        }
    }
    retired_.clear();
    return allEnded;
}

void BackgroundTask::Start(WorkKind kind, WorkJob job, WorkDone done) {
    if (running_) {
        Job earlier = std::move(*running_);
        running_.reset();
        earlier.progress->Cancel();
        // A read waiting on a pipe or a slow device stops now, not when it returns.
        CancelSynchronousIo(earlier.thread.get());
        WorkDone earlierDone = std::move(earlier.done);
        Retire(std::move(earlier));
        earlierDone(true);
    }
    Job started;
    started.number = ++lastNumber_;
    started.kind = kind;
    started.progress = std::make_shared<WorkProgress>();
    started.done = std::move(done);
    started.started = GetTickCount();
    auto start = std::make_unique<ThreadStart>(
        ThreadStart{std::move(job), started.progress, window_, finishedMessage_, started.number});
    started.thread.reset(CreateThread(nullptr, 0, &RunJob, start.get(), 0, nullptr));
    if (!started.thread) ThrowLastError();
    start.release();  // the thread owns it now
    running_ = std::move(started);
}

void BackgroundTask::OnFinished(WPARAM number) {
    if (running_ && running_->number == number) {
        Job finished = std::move(*running_);
        running_.reset();
        WaitForSingleObject(finished.thread.get(), INFINITE);  // it has posted: it is ending
        finished.done(finished.progress->Cancelled());
        return;
    }
    for (auto job = retired_.begin(); job != retired_.end(); ++job) {
        if (job->number == number) {
            WaitForSingleObject(job->thread.get(), INFINITE);
            retired_.erase(job);
            return;
        }
    }
}

bool BackgroundTask::Cancel() {
    if (!running_) return false;
    running_->progress->Cancel();
    return true;
}

std::optional<WorkKind> BackgroundTask::Kind() const {
    if (!running_) return std::nullopt;
    return running_->kind;
}

int BackgroundTask::Done() const { return running_ ? running_->progress->Done() : 0; }

DWORD BackgroundTask::Elapsed() const { return running_ ? GetTickCount() - running_->started : 0; }

void BackgroundTask::Retire(Job job) {
    job.done = nullptr;
    retired_.push_back(std::move(job));
}

}  // namespace lumarind::win32
