// Pasting into the window under Wine: what a test program of its own puts on
// the clipboard (copied files, text, a data URL and a snippet, nothing, a
// clipboard held open), pasted with Ctrl+V or Shift+Insert. Bitmaps and a
// PNG from X11 are checked by tests/paste with ImageMagick.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/win32/ControlIds.h"
#include "common/UserTexts.h"
#include "support/portable/Utf8.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/gui/Driver.h"
#include "tests/win32/RunProcess.h"
#include "tests/win32/ScratchFolder.h"

namespace lumarind::gui {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

std::string Narrow(const std::wstring& text) { return ToUtf8(text); }

// The file exists and holds these bytes; the save may still be under way.
bool Holds(const std::wstring& path, const std::string& bytes) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && ReadBytes(path) == bytes;
}

std::wstring Pasted(const std::wstring& extension) {
    return L"Lumarind - [" + std::wstring(texts::kPastedName) + extension + L"]";
}

class PasteTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override { ResetSettings(); }

    void Paste(bool shiftInsert = false) {
        program.Activate();
        if (shiftInsert) PressKey(VK_INSERT, {VK_SHIFT});
        else PressKey('V', {VK_CONTROL});
    }
    std::wstring Shown() const { return WindowText(program.Control(ids::txtData)); }
    // Finds the box by a button only it has, checks its text, presses answer.
    void AnswerBox(const std::wstring& text, int button, int answer) {
        const HWND box = program.WaitForDialogWithButton(button);
        ASSERT_NE(box, nullptr) << "no box with button " << button;
        EXPECT_NE(DialogText(box).find(text), std::wstring::npos) << Narrow(DialogText(box));
        Click(GetDlgItem(box, answer));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    }
    std::optional<std::wstring> CopiedText() {
        SetClipboard(L"");
        ClickAndWait(program.Control(ids::cmdCopyText0));
        return ClipboardText();
    }

    bool Working() const { return IsWindowVisible(program.Control(ids::cmdCancelWork)) != FALSE; }
    // How far the progress bar says the work has come, 0 to 1.
    double ShownProgress() const {
        const HWND bar = program.Control(ids::prgProgress);
        const auto whole = static_cast<double>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        return whole > 0 ? static_cast<double>(SendMessageW(bar, PBM_GETPOS, 0, 0)) / whole : 0;
    }

    ScratchFolder folder;
    RunningProgram program;
};

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A bitmap as large as a big screenshot, its colours and alpha changing
// from pixel to pixel so that its PNG takes seconds to make.
std::string BigBitmap(LONG width, LONG height) {
    std::string pixels(static_cast<std::size_t>(width) * height * 4, '\0');
    char* pixel = pixels.data();
    std::uint32_t noise = 2463534242u;
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x, pixel += 4) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            pixel[0] = static_cast<char>(x);
            pixel[1] = static_cast<char>(y);
            pixel[2] = static_cast<char>(noise & 0x03);
            pixel[3] = static_cast<char>(x + y);
        }
    }
    return BitmapBlock(pixels, width, height, true);
}

TEST_F(PasteTest, NothingUsableOrAHeldClipboardSaysSoAndKeepsTheDocument) {
    SetClipboardBlocks({});
    Paste();
    AnswerBox(texts::kNothingToPaste, IDOK, IDOK);
    EXPECT_EQ(WindowText(program.window()), L"Lumarind");

    SetClipboard(L"was held");
    {
        const ClipboardHolder held;
        Paste(true);
        const HWND box = program.WaitForDialogWithButton(IDRETRY);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(DialogText(box).find(texts::kCannotPaste), std::wstring::npos) << Narrow(DialogText(box));
        EXPECT_EQ(WindowText(program.window()), L"Lumarind");
    }
    // Retry once the other program has let go.
    AnswerBox(texts::kCannotPaste, IDRETRY, IDRETRY);
    ASSERT_TRUE(program.WaitForCaption(Pasted(L".txt")));
    EXPECT_TRUE(CopiedText() == L"data:text/plain;charset=utf-8;base64,\r\nd2FzIGhlbGQ=");
}

TEST_F(PasteTest, CopiedFilesTextDataUrlsAndSnippetsBecomeTheDocument) {
    const std::wstring first = folder / L"первый.bin";
    WriteBytes(first, "abc");
    WriteBytes(folder / L"second.bin", "de");
    SetClipboardBlocks({{CF_HDROP, FileListBlock({first, folder / L"second.bin"})}});
    Paste(true);
    ASSERT_TRUE(program.WaitForCaption(L"Lumarind - [первый.bin]"));

    const std::wstring text = L"Привет, мир\r\n";
    SetClipboard(text);
    Paste();
    ASSERT_TRUE(program.WaitForCaption(Pasted(L".txt")));
    EXPECT_TRUE(CopiedText() == L"data:text/plain;charset=utf-8;base64,\r\n" + testing::EncodeBase64Lines(ToUtf8(text)));

    // A data URL: the window tells what it holds, and Save writes its bytes.
    std::string png = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 300; ++i) png += static_cast<char>(i * 37);
    SetClipboard(L"data:image/png;base64," + testing::EncodeBase64Lines(png) + L"\r\n");
    Paste();
    ASSERT_TRUE(program.WaitForCaption(Pasted(L".png")));
    EXPECT_NE(Shown().find(std::wstring(texts::kPastedTypeLabel) + L"image/png"), std::wstring::npos) << Narrow(Shown());
    EXPECT_NE(Shown().find(std::wstring(texts::kPastedSizeLabel) + L"308"), std::wstring::npos) << Narrow(Shown());
    Click(program.Control(ids::cmdSaveFile));
    program.AnswerFileDialog(folder / L"decoded.png", 0);
    ASSERT_TRUE(WaitUntil([&] { return Holds(folder / L"decoded.png", png); }));

    // A snippet of lumarind-cli's, percent-encoded text in it.
    SetClipboard(L"url(\"data:text/plain;charset=utf-8,%D0%9F%D1%80%D0%B8%20x\")");
    Paste();
    ASSERT_TRUE(program.WaitForCaption(Pasted(L".txt")));
    EXPECT_NE(Shown().find(L"При x"), std::wstring::npos) << Narrow(Shown());
    Click(program.Control(ids::cmdSaveFile));
    program.AnswerFileDialog(folder / L"decoded.txt", 0);
    ASSERT_TRUE(WaitUntil([&] { return Holds(folder / L"decoded.txt", "При x"); }));
    Click(program.Control(ids::cmdSaveFile));
    program.AnswerFileDialog(folder / L"one-line.txt", 2);
    ASSERT_TRUE(WaitUntil(
        [&] { return Holds(folder / L"one-line.txt", "data:text/plain;charset=utf-8;base64,0J/RgNC4IHg="); }));
}

// Data dragged onto the window that it cannot use gets the box a paste of
// the same gets, once the drop has returned (the dragging program is not kept
// waiting for it); the document stays.
TEST_F(PasteTest, DroppedDataThatCannotBeUsedSaysSoAfterTheDropAndKeepsTheDocument) {
    SetClipboard(L"earlier");
    Paste();
    ASSERT_TRUE(program.WaitForCaption(Pasted(L".txt")));
    const std::wstring shownBefore = Shown();

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 100;
    header.biHeight = 100;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const std::string rowsMissing = std::string(reinterpret_cast<const char*>(&header), sizeof header) + "0123456789";
    const std::wstring badDataUrl = L"data:;base64,abcde";
    const struct {
        const char* what;
        UINT format;
        std::string block;
        const wchar_t* box;
    } drops[] = {
        {"a bitmap whose rows are missing", CF_DIB, rowsMissing, texts::kCannotBuildDataUrl},
        {"a data URL that does not decode", CF_UNICODETEXT,
         std::string(reinterpret_cast<const char*>(badDataUrl.c_str()), (badDataUrl.size() + 1) * sizeof(wchar_t)),
         texts::kCannotDecodeDataUrl},
        {"empty text", CF_UNICODETEXT, std::string(sizeof(wchar_t), '\0'), texts::kNothingToPaste},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.what);
        ASSERT_TRUE(DragOnto(program.window(), drop.format, drop.block)) << "the drop waited for the box";
        AnswerBox(drop.box, IDOK, IDOK);
        EXPECT_EQ(WindowText(program.window()), Pasted(L".txt"));
        EXPECT_EQ(Shown(), shownBefore);
    }
}

// A bitmap of 72 MB is encoded beside the window as a file of that size is
// read: with progress, Esc stopping it at once with the earlier document
// kept, and the window answering all along.
TEST_F(PasteTest, ABigBitmapIsEncodedBesideTheWindowWithProgressAndEscStopsIt) {
    SetClipboard(L"earlier");
    Paste();
    ASSERT_TRUE(program.WaitForCaption(Pasted(L".txt")));
    const std::wstring shownBefore = Shown();
    SetClipboardBlocks({{CF_DIBV5, BigBitmap(6000, 3000)}});
    WindowPinger pinger(program.window());

    pinger.Measure(true);
    Paste();
    ASSERT_TRUE(WaitUntil([&] { return Working() && ShownProgress() > 0; }, 60000)) << "no progress shown";
    EXPECT_LT(ShownProgress(), 1.0);
    const Clock::time_point escape = Clock::now();
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !Working(); }, 60000));
    const double stopping = SecondsSince(escape);
    EXPECT_TRUE(IsWindow(program.window()));
    EXPECT_EQ(WindowText(program.window()), Pasted(L".txt"));
    EXPECT_EQ(Shown(), shownBefore);

    const Clock::time_point start = Clock::now();
    Paste();
    ASSERT_TRUE(WaitUntil([&] { return WindowText(program.window()) == Pasted(L".png"); }, 120000));
    const double converting = SecondsSince(start);
    pinger.Measure(false);
    EXPECT_EQ(Shown().substr(0, 35), L"data:image/png;base64,\r\niVBORw0KGgo");
    std::printf("6000x3000 bitmap: encoded in %.2f s, stopped %.2f s after Esc; longest unanswered %.3f s\n",
                converting, stopping, pinger.LongestGapSeconds());
    // Stopped between two bands of rows, not after the whole image; frozen
    // for the conversion, the window would go seconds without answering.
    EXPECT_LT(stopping, converting / 4);
    EXPECT_LT(pinger.LongestGapSeconds(), 1.0);

    // Closed while it converts, the program ends as soon as an idle one
    // does (Wine takes its time to end any), without waiting for the PNG.
    SetClipboardBlocks({{CF_DIBV5, BigBitmap(6000, 3000)}});
    Paste();
    ASSERT_TRUE(WaitUntil([&] { return Working() && ShownProgress() > 0; }, 60000));
    Clock::time_point closing = Clock::now();
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.HasExited());
    const double closingBusy = SecondsSince(closing);
    RunningProgram idle;
    closing = Clock::now();
    PostMessageW(idle.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(idle.HasExited());
    EXPECT_LT(closingBusy - SecondsSince(closing), converting / 4);
}

}  // namespace
}  // namespace lumarind::gui
