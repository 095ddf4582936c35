// A file of 1 GiB in the window: read and saved beside the window's thread,
// with progress, Esc to stop, the window answering all along, and the file's
// bytes held once.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <optional>
#include <ostream>

#include "app/win32/ControlIds.h"
#include "common/UserTexts.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/gui/Driver.h"
#include "tests/win32/RunProcess.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind::gui {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

constexpr std::uint64_t kBigFileBytes = std::uint64_t{1} << 30;
// Long enough to wait for: reading and writing 1 GiB take seconds under Wine.
constexpr DWORD kWorkDeadlineMs = 120000;

// A file of that many zero bytes that takes no room on the disk.
void MakeSparseFile(const std::wstring& path, std::uint64_t size) {
    const win32::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

std::wstring OneLineOf(const std::wstring& lines) {
    std::wstring oneLine;
    for (const wchar_t c : lines) {
        if (c != L'\r' && c != L'\n') oneLine += c;
    }
    return oneLine;
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The length of the multi-line data URL without a type of that many bytes.
std::uint64_t SavedTextLength(std::uint64_t bytes) {
    const std::uint64_t characters = (bytes + 2) / 3 * 4;
    return 15 + characters + (characters == 0 ? 0 : 2 * ((characters + 75) / 76 - 1));
}

// The least number of bytes whose saved text is that long, if any.
std::optional<std::uint64_t> BytesOfSavedText(std::uint64_t length) {
    const std::uint64_t guess = length / 78 * 76 / 4 * 3;
    for (std::uint64_t bytes = guess > 300 ? guess - 300 : 0; bytes < guess + 300; ++bytes) {
        if (SavedTextLength(bytes) == length) return bytes;
    }
    return std::nullopt;
}

// The peak of the program's resident memory (VmHWM, as Wine reports it).
std::uint64_t PeakMemory(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const win32::UniqueFile process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!process || !GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

class BigFileTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }

    bool Working(const RunningProgram& program) const {
        return IsWindowVisible(program.Control(ids::cmdCancelWork)) != FALSE;
    }
    void Open(const RunningProgram& program, const std::wstring& path) {
        Click(program.Control(ids::cmdOpenFile));
        program.AnswerFileDialog(path);
    }
    void Save(const RunningProgram& program, const std::wstring& path) {
        Click(program.Control(ids::cmdSaveFile));
        program.AnswerFileDialog(path, 0);
        // The dialog asks before it replaces a file.
        const HWND ask = program.WaitForDialogWithButton(IDYES, 3000);
        if (ask != nullptr) Click(GetDlgItem(ask, IDYES));
    }
    void PressEscape(const RunningProgram& program) {
        program.Activate();
        PressKey(VK_ESCAPE);
    }

    ScratchFolder folder;
};

TEST_F(BigFileTest, LoadAndSaveRunBesideTheWindowWithProgressAndEscStopsThem) {
    const std::wstring big = folder / L"big.bin", small = folder / L"small.bin", out = folder / L"out.txt";
    MakeSparseFile(big, kBigFileBytes);
    std::string smallBytes(3 << 20, '\0');
    for (std::size_t i = 0; i < smallBytes.size(); ++i) smallBytes[i] = static_cast<char>(i * 7 + i / 300);
    WriteBytes(small, smallBytes);
    WriteBytes(out, "old content");
    const std::wstring smallText = L"data:;base64,\r\n" + testing::EncodeBase64Lines(smallBytes);

    RunningProgram program({small});
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [small.bin]"));
    // A long copy is promised: the text is made when a program pastes it.
    ClickAndWait(program.Control(ids::cmdCopyText0));
    const std::wstring shownBefore = WindowText(program.Control(ids::txtData));
    const std::uint64_t peakBefore = PeakMemory(program.window());
    WindowPinger pinger(program.window());

    // Esc stops a load: the earlier document stays, with its caption.
    Open(program, big);
    ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs)) << "no progress shown";
    EXPECT_FALSE(IsWindowEnabled(program.Control(ids::cmdSaveFile)));
    PressEscape(program);
    ASSERT_TRUE(WaitUntil([&] { return !Working(program); }, kWorkDeadlineMs));
    EXPECT_TRUE(IsWindow(program.window()));
    EXPECT_EQ(WindowText(program.window()), L"Lumarind - [small.bin]");
    EXPECT_EQ(WindowText(program.Control(ids::txtData)), shownBefore);
    EXPECT_TRUE(IsWindowEnabled(program.Control(ids::cmdSaveFile)));

    // A paste during a load gets the earlier copy at once, not after the load.
    Open(program, big);
    ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
    pinger.Measure(true);
    const std::optional<std::wstring> pasted = ClipboardText();
    EXPECT_TRUE(Working(program)) << "the paste waited for the load";
    EXPECT_TRUE(pasted == smallText);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(program.window()) == L"Lumarind - [big.bin]"; }, kWorkDeadlineMs));
    pinger.Measure(false);
    const double loadGap = pinger.LongestGapSeconds();
    const std::uint64_t peakAfter = PeakMemory(program.window());
    EXPECT_EQ(WindowText(program.Control(ids::txtData)).substr(0, 19), L"data:;base64,\r\nAAAA");
    // The bytes are held once: not their text, nor a second copy.
    EXPECT_LE(peakAfter - peakBefore, kBigFileBytes + (std::uint64_t{64} << 20));

    // Esc stops a save: the old file stays as it was, with nothing beside it.
    Save(program, out);
    ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs)) << "no progress shown";
    EXPECT_FALSE(IsWindowEnabled(program.Control(ids::cmdOpenFile)));
    PressEscape(program);
    ASSERT_TRUE(WaitUntil([&] { return !Working(program); }, kWorkDeadlineMs));
    EXPECT_TRUE(IsWindow(program.window()));
    // Its size first: a save that went on would make a comparison of 1.4 GB.
    ASSERT_EQ(FileSize(out), 11u) << "the save was not stopped";
    EXPECT_EQ(ReadBytes(out), "old content");
    EXPECT_EQ(folder.Names().size(), 3u);

    Save(program, out);
    ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
    pinger.Measure(true);
    ASSERT_TRUE(WaitUntil([&] { return !Working(program); }, kWorkDeadlineMs));
    pinger.Measure(false);
    const double saveGap = pinger.LongestGapSeconds();
    EXPECT_EQ(FileSize(out), SavedTextLength(kBigFileBytes));
    EXPECT_EQ(folder.Names().size(), 3u);
    std::printf("longest unanswered: load %.3f s, save %.3f s; load peak %.0f MiB over the file\n", loadGap,
                saveGap, (static_cast<double>(peakAfter - peakBefore) - kBigFileBytes) / (1 << 20));
    // Frozen for the work, the window would go seconds without answering;
    // the target of a quarter second is tools/bench's to measure.
    EXPECT_LT(loadGap, 2.0);
    EXPECT_LT(saveGap, 2.0);
}

// The window closed, or the session ended, while the window reads or writes:
// the program ends at once, the old file stays as it was and nothing is left
// beside it.
TEST_F(BigFileTest, ClosingTheWindowOrEndingTheSessionDuringWorkStopsItAndLeavesNothingBehind) {
    const std::wstring big = folder / L"big.bin", out = folder / L"out.txt";
    MakeSparseFile(big, kBigFileBytes);
    WriteBytes(out, "old content");
    {
        RunningProgram program;
        Open(program, big);
        ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
        PostMessageW(program.window(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.HasExited());
    }
    const auto saveAndEnd = [&](bool endSession) {
        RunningProgram program({big});
        ASSERT_TRUE(WaitUntil([&] { return WindowText(program.window()) == L"Lumarind - [big.bin]"; },
                              kWorkDeadlineMs));
        Save(program, out);
        ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
        if (endSession) {
            program.EndSession();
        } else {
            PostMessageW(program.window(), WM_CLOSE, 0, 0);
        }
        ASSERT_TRUE(program.HasExited());
        ASSERT_EQ(FileSize(out), 11u) << "the save went on";
        EXPECT_EQ(ReadBytes(out), "old content");
        EXPECT_EQ(folder.Names().size(), 2u);
    };
    saveAndEnd(false);
    saveAndEnd(true);
}

// A pipe has no size to ask for: what its writer sends is read to its end.
// A read that never returns (a writer that sends nothing, a dead network
// share) is cancelled when the window closes, and the program ends cleanly.
TEST_F(BigFileTest, APipeIsReadToItsEndAndAReadThatNeverReturnsDoesNotHoldTheProgram) {
    const std::wstring name = L"lumarind-pipe-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring pipe = L"\\\\.\\pipe\\" + name;
    const auto serve = [&] {
        return win32::UniqueFile(CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                                  4096, 4096, 0, nullptr));
    };
    {
        win32::UniqueFile server = serve();
        ASSERT_TRUE(server);
        RunningProgram program({pipe});
        ASSERT_TRUE(ConnectNamedPipe(server.get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(server.get(), "hello", 5, &written, nullptr));
        server.reset();
        ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [" + name + L"]"));
        EXPECT_EQ(WindowText(program.Control(ids::txtData)), L"data:;base64,\r\naGVsbG8=");
    }
    const win32::UniqueFile server = serve();
    ASSERT_TRUE(server);
    RunningProgram program({pipe});
    ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
    const DWORD closedAt = GetTickCount();
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.HasExited());
    std::printf("a never-ending read: the program ended %lu ms after the close\n", GetTickCount() - closedAt);
    EXPECT_EQ(program.ExitCode(), 0u);
}

std::uint64_t DiskBytes(const std::wstring& folder) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW((folder + L"\\").c_str(), &available, &total, &free)) return 0;
    return total.QuadPart;
}

// A disk of 2 MiB of its own mounted on a folder (a tmpfs: root only, as
// tools/test runs), unmounted when it goes.
class SmallDisk {
public:
    static constexpr std::uint64_t kBytes = 2u << 20;

    explicit SmallDisk(const std::wstring& folder) : folder_(folder) {
        CreateDirectoryW(folder.c_str(), nullptr);
        unixFolder_ = testing::UnixName(folder);
        mounted_ = !unixFolder_.empty() &&
                   testing::RunUnixProgram(L"Z:\\bin\\mount -t tmpfs -o size=2m tmpfs \"" + unixFolder_ + L"\"",
                                           [&] { return DiskBytes(folder_) == kBytes; });
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk() {
        if (mounted_) {
            testing::RunUnixProgram(L"Z:\\bin\\umount \"" + unixFolder_ + L"\"",
                                    [&] { return DiskBytes(folder_) != kBytes; });
        }
    }
    bool mounted() const { return mounted_; }
    bool MakeReadOnly() const {
        return testing::RunUnixProgram(L"Z:\\bin\\mount -o remount,ro \"" + unixFolder_ + L"\"", [&] {
            const std::wstring probe = folder_ + L"\\probe";
            const win32::UniqueFile file(
                CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
            return !file;
        });
    }

private:
    std::wstring folder_;
    std::wstring unixFolder_;
    bool mounted_ = false;
};

enum class Hostile { kFullDisk, kReadOnlyDisk, kFolderRemovedDuringTheSave };

struct SaveFailureCase {
    const char* name;
    Hostile how;
};

void PrintTo(const SaveFailureCase& row, std::ostream* out) { *out << row.name; }

class SaveFailureTest : public BigFileTest, public ::testing::WithParamInterface<SaveFailureCase> {};

// A save the disk refuses on the way: the box offering Retry comes, the old
// file stays as it was and nothing is left beside it, and the window goes on
// as before.
TEST_P(SaveFailureTest, TheBoxComesTheOldFileStaysNothingIsLeftAndTheWindowGoesOn) {
    const SaveFailureCase& row = GetParam();
    const bool removed = row.how == Hostile::kFolderRemovedDuringTheSave;
    // A save that lasts long enough to act during it, or one larger than the disk.
    const std::wstring input = folder / L"input.bin";
    if (removed) {
        MakeSparseFile(input, kBigFileBytes);
    } else {
        WriteBytes(input, std::string(3 << 20, 'x'));
    }
    const std::wstring target = folder / L"target";
    std::optional<SmallDisk> disk;
    if (removed) {
        ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    } else {
        disk.emplace(target);
        if (!disk->mounted()) GTEST_SKIP() << "cannot mount a small disk here (needs root)";
    }
    const std::wstring old = target + L"\\old.txt";
    if (!removed) WriteBytes(old, "old content");
    if (row.how == Hostile::kReadOnlyDisk) ASSERT_TRUE(disk->MakeReadOnly());

    RunningProgram program({input});
    ASSERT_TRUE(WaitUntil([&] { return WindowText(program.window()) == L"Lumarind - [input.bin]"; }, kWorkDeadlineMs));
    Save(program, removed ? target + L"\\new.txt" : old);
    if (removed) {
        ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
        ASSERT_TRUE(testing::RunUnixProgram(L"Z:\\bin\\rm -rf \"" + testing::UnixName(target) + L"\"",
                                            [&] { return GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES; }));
    }
    // Retry fails as the first try did, and leaves as little.
    for (const int answer : {IDRETRY, IDCANCEL}) {
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                box = program.FindDialog();
                return box != nullptr && DialogText(box).find(texts::kCannotWriteFile) != std::wstring::npos;
            },
            kWorkDeadlineMs))
            << row.name << ": no box";
        if (removed) {
            EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder came back";
        } else {
            EXPECT_EQ(ReadBytes(old), "old content") << row.name;
            EXPECT_EQ(testing::NamesIn(target), std::vector<std::wstring>{L"old.txt"}) << row.name;
        }
        Click(GetDlgItem(box, answer));
        ASSERT_TRUE(WaitUntil([&] { return program.FindDialog() != box; }));
    }
    ASSERT_TRUE(WaitUntil([&] { return !Working(program) && program.FindDialog() == nullptr; }, kWorkDeadlineMs));
    EXPECT_EQ(WindowText(program.window()), L"Lumarind - [input.bin]");
    EXPECT_TRUE(IsWindowEnabled(program.Control(ids::cmdOpenFile)));
    EXPECT_TRUE(IsWindowEnabled(program.Control(ids::cmdSaveFile)));
    if (removed) return;
    const std::wstring elsewhere = folder / L"elsewhere.txt";
    Save(program, elsewhere);
    ASSERT_TRUE(WaitUntil([&] { return FileSize(elsewhere) > (4u << 20); }, kWorkDeadlineMs)) << row.name;

    // The window closed while the box is up (an installer closing the
    // program, say) takes the box with it: the program ends as on Cancel.
    ASSERT_TRUE(WaitUntil([&] { return !Working(program); }, kWorkDeadlineMs));
    Save(program, old);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const HWND box = program.FindDialog();
            return box != nullptr && DialogText(box).find(texts::kCannotWriteFile) != std::wstring::npos;
        },
        kWorkDeadlineMs));
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.HasExited()) << row.name;
    EXPECT_EQ(program.ExitCode(), 0u) << row.name << ": ended as by an error";
    EXPECT_EQ(ReadBytes(old), "old content") << row.name;
    EXPECT_EQ(testing::NamesIn(target), std::vector<std::wstring>{L"old.txt"}) << row.name;
}

INSTANTIATE_TEST_SUITE_P(Disks, SaveFailureTest,
                         ::testing::Values(SaveFailureCase{"FullDisk", Hostile::kFullDisk},
                                           SaveFailureCase{"ReadOnlyDisk", Hostile::kReadOnlyDisk},
                                           SaveFailureCase{"FolderRemovedDuringTheSave",
                                                           Hostile::kFolderRemovedDuringTheSave}),
                         [](const ::testing::TestParamInfo<SaveFailureCase>& info) {
                             return std::string(info.param.name);
                         });

struct ChangeCase {
    const char* name;
    // The file's new size, set by another program while the window reads it.
    std::uint64_t newSize;
};

void PrintTo(const ChangeCase& row, std::ostream* out) { *out << row.name; }

class FileChangedDuringLoadTest : public BigFileTest, public ::testing::WithParamInterface<ChangeCase> {};

// A file cut short or grown while it loads: the window holds the bytes it
// read, up to the size the file had when opened, and what it shows, copies
// and saves is exactly those bytes: never more than it has.
TEST_P(FileChangedDuringLoadTest, TheDocumentIsTheBytesThatWereRead) {
    const ChangeCase& row = GetParam();
    const std::wstring big = folder / L"big.bin", out = folder / L"out.txt";
    MakeSparseFile(big, kBigFileBytes);
    RunningProgram program({big});
    ASSERT_TRUE(WaitUntil([&] { return Working(program); }, kWorkDeadlineMs));
    {
        const win32::UniqueFile file(CreateFileW(big.c_str(), GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(row.newSize);
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    ASSERT_TRUE(WaitUntil([&] { return !Working(program); }, kWorkDeadlineMs));
    ASSERT_EQ(program.FindDialog(), nullptr) << row.name;
    ASSERT_EQ(WindowText(program.window()), L"Lumarind - [big.bin]") << row.name;
    EXPECT_EQ(WindowText(program.Control(ids::txtData)).substr(0, 19), L"data:;base64,\r\nAAAA") << row.name;

    Save(program, out);
    ASSERT_TRUE(WaitUntil([&] { return !Working(program) && FileSize(out) != 0; }, kWorkDeadlineMs));
    const std::optional<std::uint64_t> saved = BytesOfSavedText(FileSize(out));
    ASSERT_TRUE(saved) << row.name << ": a saved text of " << FileSize(out) << " characters";
    std::printf("%s: the window holds %llu bytes\n", row.name, static_cast<unsigned long long>(*saved));
    EXPECT_GT(*saved, 0u) << row.name;
    if (row.newSize > kBigFileBytes) {
        EXPECT_EQ(FileSize(out), SavedTextLength(kBigFileBytes)) << row.name;
    } else {
        // Cut a third of a second into a read that takes seconds.
        EXPECT_LT(*saved, kBigFileBytes) << row.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, FileChangedDuringLoadTest,
                         ::testing::Values(ChangeCase{"CutShort", 1000}, ChangeCase{"Grown", kBigFileBytes + (8u << 20)}),
                         [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

// Another program holds the clipboard for 6 s while the window closes with a
// long copy only promised: the text gets there, or a box says it will not.
TEST_F(BigFileTest, ALongCopyNeverVanishesSilentlyWhenTheWindowCloses) {
    const std::wstring input = folder / L"long.bin";
    const std::string bytes(3 << 20, 'L');
    WriteBytes(input, bytes);
    RunningProgram program({input});
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [long.bin]"));
    ClickAndWait(program.Control(ids::cmdCopyText1));

    const win32::UniqueWindow holder(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                                     GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(OpenClipboard(holder.get()));
    const DWORD heldSince = GetTickCount();
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    HWND box = nullptr;
    WaitUntil([&] { return program.HasExited(0) || (box = program.FindDialog()) != nullptr; }, 8000);
    while (GetTickCount() - heldSince < 6000) Sleep(50);
    CloseClipboard();
    std::wstring boxText;
    if (box != nullptr) {
        boxText = DialogText(box);
        Click(GetDlgItem(box, IDOK));
    }
    ASSERT_TRUE(program.HasExited());
    if (box != nullptr) {
        EXPECT_NE(boxText.find(texts::kCopyLostOnClose), std::wstring::npos);
    } else {
        EXPECT_TRUE(ClipboardText() == L"data:;base64," + OneLineOf(testing::EncodeBase64Lines(bytes)));
    }
}

}  // namespace
}  // namespace lumarind::gui
