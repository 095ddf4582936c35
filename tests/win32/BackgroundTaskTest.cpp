// Stopping the window's work for good: a thread that honours the cancel, or
// whose read is cancelled, ends in time; one that does neither is reported,
// so that the program does not tear down what it still uses.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <string>

#include "app/win32/BackgroundTask.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind {
namespace {

constexpr DWORD kEndWaitMs = 1000;

// The server end of a pipe that never sends anything, and its client end
// for a job to read from.
struct SilentPipe {
    SilentPipe() {
        const std::wstring name = L"\\\\.\\pipe\\lumarind-silent-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount64());
        server.reset(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                      0, nullptr));
        client.reset(CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    // Blocks until the read is cancelled (or the pipe closed).
    void Read() const {
        char byte = 0;
        DWORD read = 0;
        ::ReadFile(client.get(), &byte, 1, &read, nullptr);
    }
    win32::UniqueFile server, client;
};

struct StopCase {
    const char* name;
    // The job; release lets a job that ignores everything end after the check.
    std::function<void(WorkProgress&, const SilentPipe&, HANDLE release)> job;
    bool ends;
};

const StopCase kStopCases[] = {
    {"HonoursTheCancel",
     [](WorkProgress& progress, const SilentPipe&, HANDLE) {
         while (!progress.Cancelled()) Sleep(1);
     },
     true},
    {"WaitsInARead",
     [](WorkProgress&, const SilentPipe& pipe, HANDLE) { pipe.Read(); },
     true},
    // The cancel comes between its look at the flag and its read.
    {"StartsAReadJustAfterTheCancel",
     [](WorkProgress& progress, const SilentPipe& pipe, HANDLE) {
         while (!progress.Cancelled()) Sleep(1);
         Sleep(20);
         pipe.Read();
     },
     true},
    {"IsStuckForGood",
     [](WorkProgress&, const SilentPipe&, HANDLE release) { WaitForSingleObject(release, INFINITE); },
     false},
};

void PrintTo(const StopCase& row, std::ostream* out) { *out << row.name; }

class BackgroundTaskStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(BackgroundTaskStopTest, StopAllSaysWhetherEveryThreadEnded) {
    const StopCase& row = GetParam();
    const win32::UniqueWindow window(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    const SilentPipe pipe;
    ASSERT_TRUE(pipe.server && pipe.client);
    const win32::UniqueFile release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win32::BackgroundTask task(window.get(), WM_APP, kEndWaitMs);
    bool cancelledDone = false;
    task.Start(
        WorkKind::kLoad, [&row, &pipe, event = release.get()](WorkProgress& progress) { row.job(progress, pipe, event); },
        [&](bool) { cancelledDone = true; });

    const ULONGLONG before = GetTickCount64();
    EXPECT_EQ(task.StopAll(), row.ends) << row.name;
    const ULONGLONG took = GetTickCount64() - before;
    EXPECT_FALSE(cancelledDone) << "a job stopped for good runs no done";
    EXPECT_FALSE(task.Kind());
    if (row.ends) {
        EXPECT_LT(took, kEndWaitMs) << row.name;
    } else {
        EXPECT_GE(took + 20, kEndWaitMs) << row.name;
    }
    // Lets the stuck one go.
    SetEvent(release.get());
}

INSTANTIATE_TEST_SUITE_P(Jobs, BackgroundTaskStopTest, ::testing::ValuesIn(kStopCases),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumarind
