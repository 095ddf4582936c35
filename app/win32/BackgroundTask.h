// The thread beside the window's that runs long work, one job at a time as
// far as the window is concerned. The job's end is posted to the window as a
// message, so that its done runs on the window's thread, between two of its
// messages, as everything else there does.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "app/BackgroundWork.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {

using UniqueThread = UniqueHandle<NullIsInvalid<HANDLE, CloseHandle>>;

class BackgroundTask {
public:
    // How long StopAll waits for work it cancelled: a read or write of one
    // piece, however slow the disk.
    static constexpr DWORD kEndWaitMs = 5000;

    // The window that gets finishedMessage (wParam: the job's number) when a
    // job has ended.
    BackgroundTask(HWND window, UINT finishedMessage, DWORD endWaitMs = kEndWaitMs)
        : window_(window), finishedMessage_(finishedMessage), endWaitMs_(endWaitMs) {}
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    ~BackgroundTask() { StopAll(); }

    // Stops whatever still runs, without its done, and waits a bounded time
    // for it, so that a save's temporary file is gone before the program is.
    // False when a thread is still running then (stuck in a read or write
    // that does not return): it may yet touch whatever its job uses.
    bool StopAll();

    // Work already running is cancelled and its done runs (cancelled) first;
    // its thread is left to notice and end on its own, so that the window
    // never waits for a read that is slow to return.
    void Start(WorkKind kind, WorkJob job, WorkDone done);
    // For finishedMessage: runs the done of the job that ended.
    void OnFinished(WPARAM number);
    // Asks the running job to stop; its done runs once it has. False when no
    // job runs.
    bool Cancel();
    std::optional<WorkKind> Kind() const;
    // How far the running job has come, 0 to WorkProgress::kWhole.
    int Done() const;
    // Milliseconds since the running job started.
    DWORD Elapsed() const;

private:
    struct Job {
        unsigned number = 0;
        WorkKind kind = WorkKind::kLoad;
        std::shared_ptr<WorkProgress> progress;
        WorkDone done;
        UniqueThread thread;
        DWORD started = 0;
    };

    // The jobs left to end on their own: their threads are waited for only
    // when the window goes.
    void Retire(Job job);

    HWND window_;
    UINT finishedMessage_;
    DWORD endWaitMs_;
    unsigned lastNumber_ = 0;
    std::optional<Job> running_;
    std::vector<Job> retired_;
};

}  // namespace lumarind::win32
