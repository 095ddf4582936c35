// The window's own figures, measured from outside as a user meets them:
// start to caption for a small and a large file (alternating, in one run),
// the peak memory a load adds, and how long copy, one-line copy and save of
// the large document take. Run under Wine by tools/bench; prints key=value.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "tests/gui/Driver.h"

namespace {

using namespace lumarind;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 3;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// Polls without the driver's pause, so that the time is the program's own.
bool WaitClosely(HWND window, const std::wstring& caption) {
    const Clock::time_point start = Clock::now();
    while (gui::WindowText(window) != caption) {
        if (Seconds(start) > 30) return false;
        Sleep(1);
    }
    return true;
}

double PeakWorkingSet(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const win32::UniqueFile process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!process || !GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize);
}

struct Start {
    double seconds;
    double peakBytes;
};

Start StartWith(const std::wstring& path) {
    const Clock::time_point start = Clock::now();
    gui::RunningProgram program({path});
    if (!WaitClosely(program.window(), L"Lumarind - [" + NameOf(path) + L"]")) throw std::runtime_error("no caption");
    return {Seconds(start), PeakWorkingSet(program.window())};
}

double FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<double>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

constexpr const char* kCommandNames[] = {"copy", "copy_one_line", "save", "save_one_line"};
using CommandTimes = std::array<double, std::size(kCommandNames)>;

// Copy, one-line copy, save and one-line save of the file's document.
CommandTimes TimeCommands(const std::wstring& path, const std::wstring& saved) {
    gui::RunningProgram program({path});
    if (!WaitClosely(program.window(), L"Lumarind - [" + NameOf(path) + L"]")) throw std::runtime_error("no load");
    CommandTimes times{};
    for (const int id : {ids::cmdCopyText0, ids::cmdCopyText1}) {
        const Clock::time_point start = Clock::now();
        gui::ClickAndWait(program.Control(id));
        times[id == ids::cmdCopyText0 ? 0 : 1] = Seconds(start);
    }
    for (const int type : {0, 1}) {
        DeleteFileW(saved.c_str());
        gui::Click(program.Control(ids::cmdSaveFile));
        program.AnswerFileDialog(saved, type);
        // The saved file appears complete: it is written beside and moved in place.
        const Clock::time_point start = Clock::now();
        while (FileBytes(saved) < 0 && Seconds(start) < 30) Sleep(1);
        times[2 + type] = Seconds(start);
        gui::WaitUntil([&] { return program.FindDialog() == nullptr; });
    }
    DeleteFileW(saved.c_str());
    return times;
}

struct BigFile {
    double loadSeconds, loadExtraMiB, loadGap, saveSeconds, saveGap;
};

// A 1 GiB file (sparse: its content does not matter here) loaded from the
// command line and saved, with the window pinged all along.
// baselinePeak: the peak of the window with a small file.
BigFile TimeBigFile(const std::wstring& folder, double baselinePeak) {
    constexpr LONGLONG kBytes = LONGLONG{1} << 30;
    const std::wstring big = folder + L"\\big.bin", saved = folder + L"\\big.txt";
    {
        const win32::UniqueFile file(CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER end{};
        end.QuadPart = kBytes;
        if (!file || !SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
            throw std::runtime_error("cannot make the 1 GiB file");
        }
    }
    BigFile figures{};
    const Clock::time_point start = Clock::now();
    gui::RunningProgram program({big});
    gui::WindowPinger pinger(program.window());
    pinger.Measure(true);
    if (!WaitClosely(program.window(), L"Lumarind - [big.bin]")) throw std::runtime_error("no 1 GiB load");
    figures.loadSeconds = Seconds(start);
    figures.loadGap = pinger.LongestGapSeconds();
    figures.loadExtraMiB = (PeakWorkingSet(program.window()) - baselinePeak - static_cast<double>(kBytes)) / (1 << 20);

    DeleteFileW(saved.c_str());
    gui::Click(program.Control(ids::cmdSaveFile));
    program.AnswerFileDialog(saved, 0);
    const Clock::time_point saveStart = Clock::now();
    const HWND cancel = program.Control(ids::cmdCancelWork);
    bool measuring = false;
    while (FileBytes(saved) < 0 && Seconds(saveStart) < 120) {
        // Only while the save runs: closing the file dialog costs Wine its own pause.
        if (!measuring && IsWindowVisible(cancel)) pinger.Measure(measuring = true);
        Sleep(1);
    }
    figures.saveSeconds = Seconds(saveStart);
    figures.saveGap = pinger.LongestGapSeconds();
    DeleteFileW(saved.c_str());
    DeleteFileW(big.c_str());
    return figures;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_times SMALL-FILE LARGE-FILE SCRATCH-FOLDER\n");
        return 2;
    }
    try {
        const std::wstring small = argv[1], large = argv[2], saved = std::wstring(argv[3]) + L"\\saved.txt";
        std::vector<double> smallStarts, largeStarts, smallPeaks, largePeaks;
        for (int round = 0; round < kRounds; ++round) {
            const Start a = StartWith(small);
            const Start b = StartWith(large);
            smallStarts.push_back(a.seconds);
            smallPeaks.push_back(a.peakBytes);
            largeStarts.push_back(b.seconds);
            largePeaks.push_back(b.peakBytes);
        }
        const double fileBytes = FileBytes(large);
        std::printf("start_small_s=%.3f\n", Median(smallStarts));
        std::printf("start_large_s=%.3f\n", Median(largeStarts));
        std::printf("load_extra_s=%.3f\n", Median(largeStarts) - Median(smallStarts));
        std::printf("load_peak_over_file=%.2f\n", (Median(largePeaks) - Median(smallPeaks)) / fileBytes);

        // When the file dialog closes, Wine waits two seconds for a window
        // manager, which the virtual display lacks, whatever is saved: each
        // command is timed for both files, and the large file's figure is
        // given beside its excess over the small one's.
        const CommandTimes smallTimes = TimeCommands(small, saved);
        const CommandTimes largeTimes = TimeCommands(large, saved);
        for (std::size_t i = 0; i < std::size(kCommandNames); ++i) {
            std::printf("%s_s=%.3f\n", kCommandNames[i], largeTimes[i]);
            std::printf("%s_extra_s=%.3f\n", kCommandNames[i], largeTimes[i] - smallTimes[i]);
        }

        const BigFile big = TimeBigFile(argv[3], Median(smallPeaks));
        std::printf("big_load_s=%.3f\n", big.loadSeconds);
        std::printf("big_load_extra_mib=%.1f\n", big.loadExtraMiB);
        std::printf("big_load_gap_s=%.3f\n", big.loadGap);
        std::printf("big_save_s=%.3f\n", big.saveSeconds);
        std::printf("big_save_gap_s=%.3f\n", big.saveGap);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "failed: %s\n", error.what());
        return 1;
    }
}
