// Peak memory and save speed of the window's own work on one large file,
// with the real Win32 components: a load (read + build), a one-line copy to
// the clipboard, and saves in both forms. Figures come from the process's
// own accounting (GetProcessMemoryInfo). Run under Wine by tools/bench.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "builder/DataUrl.h"
#include "support/win32/ClipboardTextWin32.h"
#include "support/win32/FileAccessWin32.h"
#include "support/win32/RegistryWin32.h"

namespace {

using namespace lumarind;

double PeakBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize);
}

double CurrentBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: windows_peak_memory FILE SCRATCH-FOLDER\n");
        return 2;
    }
    try {
        win32::FileAccessWin32 files;
        std::int32_t a = 0;
        const double baseline = PeakBytes();

        DocumentText dataUrl;
        double fileSize = 0;
        {
            const std::unique_ptr<FileContent> content = files.OpenContent(argv[1]);
            fileSize = static_cast<double>(content->Size());
            dataUrl = ComposeDataUrl(*content, L"bin", [] { return std::make_unique<win32::RegistryReaderWin32>(); });
        }
        const double afterLoad = PeakBytes();
        std::printf("load_peak_over_file=%.2f\n", (afterLoad - baseline) / fileSize);

        const double textBytes = static_cast<double>(dataUrl.View().size());
        const double beforeCopy = CurrentBytes();
        win32::ClipboardTextWin32 clipboard;
        clipboard.SetDocument(dataUrl.View(), a, TextForm::kOneLine);
        std::printf("copy_one_line_extra_over_text=%.2f\n", (PeakBytes() - std::max(afterLoad, beforeCopy)) / textBytes);
        clipboard.Clear(a);

        for (const TextForm form : {TextForm::kAsIs, TextForm::kOneLine}) {
            const std::wstring target = std::wstring(argv[2]) + L"\\saved.txt";
            const double before = PeakBytes();
            const auto start = std::chrono::steady_clock::now();
            files.WriteText(target, dataUrl.View(), form);
            const double seconds = Seconds(start);
            const char* name = form == TextForm::kAsIs ? "multi_line" : "one_line";
            std::printf("save_%s_gb_per_s=%.2f\n", name, textBytes / seconds / 1e9);
            std::printf("save_%s_extra_over_text=%.2f\n", name, (PeakBytes() - before) / textBytes);
            DeleteFileW(target.c_str());
        }
        return 0;
    } catch (const Error& error) {
        std::fprintf(stderr, "failed: %d\n", static_cast<int>(error.number()));
        return 1;
    }
}
