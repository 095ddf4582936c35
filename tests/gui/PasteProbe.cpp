// Pastes an image into Lumarind.exe and keeps the PNG the window made of it,
// for tests/paste to compare with ImageMagick:
//
//   paste_probe dibv5 PIXELS.bgra WIDTH HEIGHT OUT.png [SHOWN]
//   paste_probe dib   PIXELS.bgr  WIDTH HEIGHT OUT.png [SHOWN]
//   paste_probe clipboard OUT.png [SHOWN]
//
// dibv5 puts 32-bit pixels with alpha as CF_DIBV5, dib 24-bit ones as
// CF_DIB, clipboard pastes whatever is there (a PNG offered from X11). With
// SHOWN the window stays until that file exists, for a screenshot.
//
//   paste_probe verb BEFORE COMMAND-LINE OUT.txt
//
// runs a command line as Explorer runs a verb's command (CreateProcess, no
// console), with BEFORE on the clipboard, and watches for any window of the
// process: a box's text goes to OUT.txt.box and the box is answered. Then
// the clipboard's text goes to OUT.txt as UTF-8, and the time from the start
// to the end of the process is printed in milliseconds. The exit status is 0
// when no window appeared, 3 when one did.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "common/UserTexts.h"
#include "support/portable/Utf8.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/gui/Driver.h"
#include "tests/win32/ScratchFolder.h"

namespace {

using namespace lumarind;
using namespace lumarind::gui;

constexpr wchar_t kHeader[] = L"data:image/png;base64,\r\n";

// Rows from the top in the file; a DIB with a positive height keeps them from the bottom.
std::string Bitmap(const std::string& pixels, LONG width, LONG height, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    const std::size_t row = static_cast<std::size_t>(width) * channels;
    const std::size_t stride = (row + 3) / 4 * 4;
    std::string block;
    if (withAlpha) {
        BITMAPV5HEADER header{};
        header.bV5Size = sizeof header;
        header.bV5Width = width;
        header.bV5Height = height;
        header.bV5Planes = 1;
        header.bV5BitCount = 32;
        header.bV5Compression = BI_BITFIELDS;
        header.bV5RedMask = 0x00FF0000;
        header.bV5GreenMask = 0x0000FF00;
        header.bV5BlueMask = 0x000000FF;
        header.bV5AlphaMask = 0xFF000000;
        header.bV5CSType = LCS_sRGB;
        header.bV5Intent = LCS_GM_IMAGES;
        header.bV5SizeImage = static_cast<DWORD>(stride * height);
        block.assign(reinterpret_cast<const char*>(&header), sizeof header);
    } else {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(stride * height);
        block.assign(reinterpret_cast<const char*>(&header), sizeof header);
    }
    for (LONG y = height - 1; y >= 0; --y) {
        block.append(pixels, static_cast<std::size_t>(y) * row, row);
        block.append(stride - row, '\0');
    }
    return block;
}

struct Watch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM parameter) {
    auto& watch = *reinterpret_cast<Watch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != watch.processId || !IsWindowVisible(window)) return TRUE;
    watch.found = window;
    return FALSE;
}

int RunVerb(const std::wstring& before, std::wstring commandLine, const std::wstring& out) {
    SetClipboard(before);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::fprintf(stderr, "paste_probe: cannot run the command\n");
        return 1;
    }
    const win32::UniqueFile process(info.hProcess), thread(info.hThread);
    bool windowSeen = false;
    const bool ended = WaitUntil([&] {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) return true;
        Watch watch{info.dwProcessId, nullptr};
        EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&watch));
        if (watch.found != nullptr) {
            windowSeen = true;
            const std::wstring text = DialogText(watch.found);
            testing::WriteBytes(out + L".box", ToUtf8(text));
            if (const HWND ok = GetDlgItem(watch.found, IDOK)) Click(ok);
            else PostMessageW(watch.found, WM_CLOSE, 0, 0);
        }
        return false;
    });
    QueryPerformanceCounter(&end);
    if (!ended) {
        TerminateProcess(info.hProcess, 1);
        std::fprintf(stderr, "paste_probe: the command did not end\n");
        return 1;
    }
    std::printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    testing::WriteBytes(out, ToUtf8(ClipboardText().value_or(L"")));
    return windowSeen ? 3 : 0;
}

int Fail(const char* why) {
    std::fprintf(stderr, "paste_probe: %s\n", why);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) return Fail("no mode");
    std::size_t next = 1;
    try {
        if (args[0] == L"verb") {
            if (args.size() != 4) return Fail("verb needs BEFORE COMMAND-LINE OUT");
            return RunVerb(args[1], args[2], args[3]);
        }
        if (args[0] == L"dibv5" || args[0] == L"dib") {
            if (args.size() < 5) return Fail("dib modes need PIXELS WIDTH HEIGHT OUT");
            const bool alpha = args[0] == L"dibv5";
            const std::string pixels = testing::ReadBytes(args[1]);
            const LONG width = std::stol(args[2]), height = std::stol(args[3]);
            SetClipboardBlocks({{alpha ? CF_DIBV5 : CF_DIB, Bitmap(pixels, width, height, alpha)}});
            next = 4;
        } else if (args[0] != L"clipboard") {
            return Fail("unknown mode");
        }
        if (args.size() <= next) return Fail("no OUT");
        const std::wstring out = args[next];

        RunningProgram program;
        program.Activate();
        PressKey('V', {VK_CONTROL});
        if (!program.WaitForCaption(L"Lumarind - [" + std::wstring(texts::kPastedName) + L".png]")) {
            return Fail("the caption does not name a pasted PNG");
        }
        SetClipboard(L"");
        ClickAndWait(program.Control(ids::cmdCopyText0));
        const std::optional<std::wstring> text = ClipboardText();
        if (!text || text->compare(0, std::wstring(kHeader).size(), kHeader) != 0) return Fail("no PNG data URL");
        const std::optional<std::string> png = testing::DecodeBase64(text->substr(std::wstring(kHeader).size()));
        if (!png) return Fail("malformed Base64");
        testing::WriteBytes(out, *png);
        if (args.size() > next + 1) {
            const std::wstring shown = args[next + 1];
            if (!WaitUntil([&] { return GetFileAttributesW(shown.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000)) {
                return Fail("no screenshot was taken");
            }
        }
        return 0;
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
