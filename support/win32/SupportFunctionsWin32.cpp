// The support functions that need Windows.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/UserTexts.h"
#include "common/Version.h"
#include "support/SupportFunctions.h"
#include "support/win32/BoxOwner.h"
#include "support/win32/LongPath.h"
#include "support/win32/ProgramIcon.h"
#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WindowDpi.h"

namespace lumarind {
namespace {

constexpr wchar_t kAppPathsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Lumarind.exe";
constexpr wchar_t kOwnerWindowClass[] = L"LumarindThunderMain";
constexpr wchar_t kReadMeFileName[] = L"Lumarind.txt";

void SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

bool tsIsInIDE() { return false; }

void tsRegisterAppPath() {
    try {
        const std::wstring program = win32::ProgramPath();
        win32::UniqueKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kAppPathsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                            nullptr) != ERROR_SUCCESS) {
            return;
        }
        SetStringValue(key.get(), nullptr, program);
        SetStringValue(key.get(), L"Path", tsGetFilePath(program));
    } catch (...) {
        // Registering is a courtesy to the shell; the program runs without it.
    }
}

WindowHandle tsGetThunderMainHandle() {
    static HWND owner = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kOwnerWindowClass;
        if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            win32::ThrowLastError();
        }
        const HWND window = CreateWindowExW(0, kOwnerWindowClass, LUMARIND_WIDEN(LUMARIND_TITLE), WS_POPUP, 0, 0, 0,
                                            0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window == nullptr) win32::ThrowLastError();
        return window;
    }();
    return owner;
}

void tsSetWindowResIconAll(WindowHandle window, const std::wstring& resourceName) {
    const HWND hwnd = static_cast<HWND>(window);
    win32::SetWindowIcons(hwnd, resourceName.c_str(), win32::WindowDpi(hwnd));
}

void tsCenterFormEx(WindowHandle window) {
    const HWND hwnd = static_cast<HWND>(window);
    RECT frame{};
    if (!GetWindowRect(hwnd, &frame)) win32::ThrowLastError();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) win32::ThrowLastError();
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void tsOpenReadMeFile(int) {
    const std::wstring path = win32::ProgramFolder() + L"\\" + kReadMeFileName;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    bool opened = false;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(win32::BoxOwner(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        opened = result > 32;
    }
    if (!opened) {
        // F1 must never end the program: say what is missing and go on.
        const std::wstring message = std::wstring(texts::kCannotOpenHelp) + L"\r\n\r\n" + path;
        MessageBoxW(win32::BoxOwner(), message.c_str(), LUMARIND_WIDEN(LUMARIND_TITLE), MB_OK | MB_ICONINFORMATION);
    }
}

}  // namespace lumarind
