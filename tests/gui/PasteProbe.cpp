// Pastes an image into Lumarind.exe and keeps the PNG the window made of it,
// for tests/paste to compare with ImageMagick:
//
//   paste_probe dibv5 PIXELS.bgra WIDTH HEIGHT OUT.png [SHOWN]
//   paste_probe dib   PIXELS.bgr  WIDTH HEIGHT OUT.png [SHOWN]
//   paste_probe clipboard OUT.png [SHOWN]
//   paste_probe dragged OUT.png
//
// dibv5 puts 32-bit pixels with alpha as CF_DIBV5, dib 24-bit ones as
// CF_DIB, clipboard pastes whatever is there (a PNG offered from X11);
// dragged pastes nothing but waits for an image that another program drags
// onto the window as data. With SHOWN the window stays until that file
// exists, for a screenshot.
//
//   paste_probe verb BEFORE COMMAND-LINE OUT.txt
//
// runs a command line as Explorer runs a verb's command (CreateProcess, no
// console), with BEFORE on the clipboard, and watches for any window of the
// process: a box's text goes to OUT.txt.box and the box is answered. Then
// the clipboard's text goes to OUT.txt as UTF-8, and the times from the start
// to the end of the process and to the clipboard's change ("-" when it kept
// what it had) are printed in milliseconds. The exit status is 0
// when no window appeared, 3 when one did.
//
//   paste_probe drop BEFORE OUT.txt FILE...
//
// does what Explorer does for a verb with a DropTarget: creates the class
// the verb names (its local server starts) and drops the files on it as
// CF_HDROP, with BEFORE on the clipboard. It waits for the clipboard to
// change, or for a box of the server's (answered, its text in OUT.txt.box),
// watching for any window of the server. Output and status as for verb.
#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
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
// How often a running verb's windows are looked for.
constexpr DWORD kLookMs = 20;

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

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Notes the moment the clipboard changes and the moment a process ends as
// the system reports them, so that a time is the program's own and not this
// probe's pause between looks.
class EndWatch {
public:
    EndWatch() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &EndWatch::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PasteProbeEndWatch";
        RegisterClassExW(&windowClass);
        window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        AddClipboardFormatListener(window_);
    }
    EndWatch(const EndWatch&) = delete;
    EndWatch& operator=(const EndWatch&) = delete;
    ~EndWatch() {
        RemoveClipboardFormatListener(window_);
        DestroyWindow(window_);
    }

    // Up to ms for the process to end; true once it has.
    bool WaitForEnd(HANDLE process, DWORD ms) {
        const DWORD result = MsgWaitForMultipleObjects(1, &process, FALSE, ms, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) QueryPerformanceCounter(&endedAt_);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        return result == WAIT_OBJECT_0;
    }
    bool clipboardChanged() const { return clipboardChanged_; }
    LARGE_INTEGER clipboardChangedAt() const { return clipboardChangedAt_; }
    LARGE_INTEGER endedAt() const { return endedAt_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* watch = reinterpret_cast<EndWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_CLIPBOARDUPDATE && watch != nullptr && !watch->clipboardChanged_) {
            QueryPerformanceCounter(&watch->clipboardChangedAt_);
            watch->clipboardChanged_ = true;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    bool clipboardChanged_ = false;
    LARGE_INTEGER clipboardChangedAt_{};
    LARGE_INTEGER endedAt_{};
};

int RunVerb(const std::wstring& before, std::wstring commandLine, const std::wstring& out) {
    SetClipboard(before);
    EndWatch watch;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::fprintf(stderr, "paste_probe: cannot run the command\n");
        return 1;
    }
    const win32::UniqueFile process(info.hProcess), thread(info.hThread);
    bool windowSeen = false;
    const ULONGLONG deadline = GetTickCount64() + kDeadlineMs;
    bool ended = false;
    while (!(ended = watch.WaitForEnd(info.hProcess, kLookMs)) && GetTickCount64() < deadline) {
        Watch shown{info.dwProcessId, nullptr};
        EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&shown));
        if (shown.found != nullptr) {
            windowSeen = true;
            const std::wstring text = DialogText(shown.found);
            testing::WriteBytes(out + L".box", ToUtf8(text));
            if (const HWND ok = GetDlgItem(shown.found, IDOK)) Click(ok);
            else PostMessageW(shown.found, WM_CLOSE, 0, 0);
        }
    }
    if (!ended) {
        TerminateProcess(info.hProcess, 1);
        std::fprintf(stderr, "paste_probe: the command did not end\n");
        return 1;
    }
    if (watch.clipboardChanged()) {
        std::printf("%.1f %.1f\n", Milliseconds(start, watch.endedAt()), Milliseconds(start, watch.clipboardChangedAt()));
    } else {
        std::printf("%.1f -\n", Milliseconds(start, watch.endedAt()));
    }
    testing::WriteBytes(out, ToUtf8(ClipboardText().value_or(L"")));
    return windowSeen ? 3 : 0;
}

constexpr wchar_t kDropTargetKey[] = L"Software\\Classes\\*\\shell\\Lumarind.CopyAsDataUrl\\DropTarget";

// A shown window of a process whose program is Lumarind.exe.
BOOL CALLBACK FindProgramWindow(HWND window, LPARAM parameter) {
    if (!IsWindowVisible(window)) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const win32::UniqueFile process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner));
    if (!process) return TRUE;
    wchar_t image[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(process.get(), 0, image, &size)) return TRUE;
    const std::wstring name(image, size);
    if (name.size() < 13 || _wcsicmp(name.c_str() + name.size() - 13, L"\\Lumarind.exe") != 0) return TRUE;
    *reinterpret_cast<HWND*>(parameter) = window;
    return FALSE;
}

int DropOnVerb(const std::wstring& before, const std::wstring& out, const std::vector<std::wstring>& files) {
    wchar_t text[64];
    DWORD bytes = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, kDropTargetKey, L"Clsid", RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS) {
        std::fprintf(stderr, "paste_probe: the verb has no DropTarget\n");
        return 1;
    }
    CLSID target{};
    if (FAILED(CLSIDFromString(text, &target))) return 1;
    SetClipboard(before);
    if (FAILED(OleInitialize(nullptr))) return 1;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    IDropTarget* drop = nullptr;
    HRESULT result = CoCreateInstance(target, nullptr, CLSCTX_LOCAL_SERVER, IID_IDropTarget, reinterpret_cast<void**>(&drop));
    if (FAILED(result)) {
        std::fprintf(stderr, "paste_probe: cannot create the verb's DropTarget: 0x%08lx\n", result);
        return 1;
    }
    // The selection Explorer drops: CF_HDROP only.
    OfferedBlock data(CF_HDROP, FileListBlock(files));
    DWORD effect = DROPEFFECT_COPY;
    const POINTL point{0, 0};
    result = drop->DragEnter(&data, MK_LBUTTON, point, &effect);
    if (SUCCEEDED(result)) {
        effect = DROPEFFECT_COPY;
        result = drop->Drop(&data, MK_LBUTTON, point, &effect);
    }
    drop->Release();
    if (FAILED(result)) {
        std::fprintf(stderr, "paste_probe: the drop failed: 0x%08lx\n", result);
        return 1;
    }
    bool windowSeen = false;
    bool changed = WaitUntil([&] {
        HWND shown = nullptr;
        EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&shown));
        if (shown != nullptr) {
            windowSeen = true;
            testing::WriteBytes(out + L".box", ToUtf8(DialogText(shown)));
            if (const HWND ok = GetDlgItem(shown, IDOK)) Click(ok);
            else PostMessageW(shown, WM_CLOSE, 0, 0);
            return true;
        }
        return ClipboardText().value_or(L"") != before;
    });
    QueryPerformanceCounter(&end);
    OleUninitialize();
    if (!changed) {
        std::fprintf(stderr, "paste_probe: neither the clipboard nor a box changed\n");
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
        if (args[0] == L"drop") {
            if (args.size() < 4) return Fail("drop needs BEFORE OUT FILE...");
            return DropOnVerb(args[1], args[2], std::vector<std::wstring>(args.begin() + 3, args.end()));
        }
        if (args[0] == L"verb") {
            if (args.size() != 4) return Fail("verb needs BEFORE COMMAND-LINE OUT");
            return RunVerb(args[1], args[2], args[3]);
        }
        if (args[0] == L"dibv5" || args[0] == L"dib") {
            if (args.size() < 5) return Fail("dib modes need PIXELS WIDTH HEIGHT OUT");
            const bool alpha = args[0] == L"dibv5";
            const std::string pixels = testing::ReadBytes(args[1]);
            const LONG width = std::stol(args[2]), height = std::stol(args[3]);
            SetClipboardBlocks({{alpha ? CF_DIBV5 : CF_DIB, BitmapBlock(pixels, width, height, alpha)}});
            next = 4;
        } else if (args[0] != L"clipboard" && args[0] != L"dragged") {
            return Fail("unknown mode");
        }
        if (args.size() <= next) return Fail("no OUT");
        const std::wstring out = args[next];

        RunningProgram program;
        program.Activate();
        if (args[0] != L"dragged") PressKey('V', {VK_CONTROL});
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
