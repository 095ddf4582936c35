// Drives Lumarind.exe from outside, as a user would: starts it, finds its
// window and dialogs, reads what they show, clicks and types. Every wait
// polls with a deadline.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/win32/UniqueHandle.h"

namespace lumarind::gui {

constexpr DWORD kDeadlineMs = 15000;

// Polls the condition until it holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition, DWORD deadlineMs = kDeadlineMs);

std::wstring WindowText(HWND window);
// The texts of a dialog's static controls, joined by line breaks.
std::wstring DialogText(HWND dialog);
// Clicks a button without waiting for what the click opens.
void Click(HWND button);
// Clicks a button and returns once its handler has run; only for clicks
// that open no modal window.
void ClickAndWait(HWND button);

std::optional<std::wstring> ClipboardText();
void SetClipboard(const std::wstring& text);
// Empties the clipboard and puts these blocks on it, each under its format.
void SetClipboardBlocks(const std::vector<std::pair<UINT, std::string>>& blocks);
// A packed bitmap of pixels given from the top row down: 32-bit ones with
// alpha as CF_DIBV5 holds them, else 24-bit ones as CF_DIB does. Its rows go
// from the bottom up, as a positive height has them.
std::string BitmapBlock(const std::string& pixels, LONG width, LONG height, bool withAlpha);
// A CF_HDROP block naming the files, as Explorer's Copy puts one.
std::string FileListBlock(const std::vector<std::wstring>& paths);

// Holds the clipboard open, with a window of its own, while it lives.
class ClipboardHolder {
public:
    ClipboardHolder();
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    ~ClipboardHolder();

private:
    HWND window_;
};

// Presses and releases a key with the given modifiers (VK_SHIFT, VK_CONTROL,
// VK_MENU) held.
void PressKey(WORD key, const std::vector<WORD>& modifiers = {});

// Forgets what the program remembered between runs.
void ResetSettings();
std::optional<std::wstring> Setting(const std::wstring& name);

class RunningProgram {
public:
    explicit RunningProgram(const std::vector<std::wstring>& arguments = {});
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    HWND window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    DWORD threadId() const { return threadId_; }
    bool HasExited(DWORD deadlineMs = kDeadlineMs) const;
    // The exit status of a program that has ended.
    DWORD ExitCode() const;
    // Ends the program as Windows does at the end of a session, or Restart
    // Manager for an installer: each of its top-level windows, shown or not,
    // is asked and told, then the process is ended without more ado.
    void EndSession() const;
    HWND Focused() const;
    // Makes the window the foreground window so that keys reach it.
    void Activate() const;
    // A top-level dialog of the program other than its main window.
    HWND WaitForDialog(DWORD deadlineMs = kDeadlineMs) const;
    HWND FindDialog() const;
    // The program's dialog that has a button with this id (the overwrite
    // question of a Save dialog has IDYES, say).
    HWND WaitForDialogWithButton(int buttonId, DWORD deadlineMs = kDeadlineMs) const;
    bool WaitForCaption(const std::wstring& caption) const;
    // Answers a file dialog with a name (and the type list entry, if given).
    void AnswerFileDialog(const std::wstring& fileName, std::optional<int> typeIndex = std::nullopt) const;
    void CancelDialog() const;
    // Sends WM_DPICHANGED as Windows does when the window moves to a monitor
    // of another DPI; the suggested rectangle is written into the program's
    // memory, since the message carries only its address.
    void SendDpiChanged(int dpi, const RECT& suggested) const;

private:
    win32::UniqueFile process_;
    win32::UniqueFile thread_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

std::wstring ProgramPath();

// Data another program offers in one format as a block of memory: the
// selection Explorer drops (CF_HDROP), a picture or text being dragged.
class OfferedBlock : public IDataObject {
public:
    OfferedBlock(UINT format, std::string block) : format_(format), block_(std::move(block)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // Lives on the stack: the counts are kept but never free it.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    UINT format_;
    std::string block_;
    std::atomic<ULONG> references_{1};
};

// Drags the data onto the middle of the window and drops it there, as a
// user dragging from another program does (OLE's DoDragDrop, on a thread of
// its own). The effect the window chose; nothing when the drop has not
// returned by the deadline (the window kept the dragging program waiting).
std::optional<DWORD> DragOnto(HWND window, UINT format, std::string block);

// Asks a window for nothing (WM_NULL) again and again from a thread of its
// own, and keeps the longest time the window went without answering since
// measuring began.
class WindowPinger {
public:
    explicit WindowPinger(HWND window);
    WindowPinger(const WindowPinger&) = delete;
    WindowPinger& operator=(const WindowPinger&) = delete;
    ~WindowPinger();
    void Measure(bool on);
    double LongestGapSeconds() const { return static_cast<double>(longestMs_) / 1000.0; }

private:
    long long Now() const;
    void Run(HWND window);

    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<bool> stop_{false};
    std::atomic<bool> measuring_{false};
    std::atomic<long long> longestMs_{0};
    std::atomic<long long> lastMs_{0};
    std::thread thread_;
};

// A visible top-level window of this class, in any process.
HWND FindVisibleWindow(const wchar_t* className);

}  // namespace lumarind::gui
