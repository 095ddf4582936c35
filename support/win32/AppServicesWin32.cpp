#include "support/win32/AppServicesWin32.h"

#include <windows.h>

#include <vector>

#include "common/UserTexts.h"
#include "common/Version.h"
#include "resources/ResourceIds.h"
#include "support/win32/CommandLineArgsWin32.h"
#include "support/win32/LongPath.h"
#include "support/win32/ProgramIcon.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WindowDpi.h"

namespace lumarind::win32 {
namespace {

struct AboutContent {
    const ApplicationInfo& application;
    const std::wstring& extra;
    const std::wstring& dedication;
};

// The template's icon comes in the system's size; the box may be on a
// monitor of another DPI. Should the icon not load, the template's stays.
void ShowIconForDpi(HWND dialog, int dpi) noexcept {
    try {
        const HICON icon = ProgramIcon(LUMARIND_WIDEN(LUMARIND_ICON_NAME), SystemMetricForDpi(SM_CXICON, dpi));
        SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    } catch (...) {
    }
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_INITDIALOG: {
        const auto& content = *reinterpret_cast<const AboutContent*>(lParam);
        const ApplicationInfo& app = content.application;
        SetWindowTextW(dialog, app.title.c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_TITLE, app.title.c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, (texts::kAboutVersionPrefix + app.versionText).c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_DESCRIPTION, app.fileDescription.c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_COPYRIGHT, app.legalCopyright.c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_TRADEMARKS, app.legalTrademarks.c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_DEDICATION, content.dedication.c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_EXTRA, content.extra.c_str());
        ShowIconForDpi(dialog, WindowDpi(dialog));
        const HWND owner = GetWindow(dialog, GW_OWNER);
        RECT ownerRect{}, dialogRect{};
        if (owner != nullptr && GetWindowRect(owner, &ownerRect) && GetWindowRect(dialog, &dialogRect)) {
            const int width = dialogRect.right - dialogRect.left;
            const int height = dialogRect.bottom - dialogRect.top;
            SetWindowPos(dialog, nullptr, (ownerRect.left + ownerRect.right - width) / 2,
                         (ownerRect.top + ownerRect.bottom - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        return TRUE;
    }
    case WM_DPICHANGED:
        // The dialog manager scales the rest.
        ShowIconForDpi(dialog, HIWORD(wParam));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* key, const wchar_t* fallback) {
    if (block.empty()) return fallback;
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) {
        return fallback;
    }
    std::wstring text(value, length);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::vector<BYTE> OwnVersionBlock() {
    const std::wstring path = ProgramPath();
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    if (size == 0) return {};
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
    return block;
}

}  // namespace

CommandLineArgs& AppServicesWin32::CommandLine() {
    if (!commandLine_) commandLine_ = std::make_unique<CommandLineArgsWin32>();
    return *commandLine_;
}

void AppServicesWin32::ShowAbout(WindowHandle owner, const ApplicationInfo& application, const std::wstring& extra,
                                 const void*, const std::wstring& dedication) {
    const AboutContent content{application, extra, dedication};
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT),
                                           static_cast<HWND>(owner), AboutProcedure,
                                           reinterpret_cast<LPARAM>(&content));
    if (result == -1 || result == 0) ThrowLastError();
}

ApplicationInfo LoadApplicationInfo() {
    const std::vector<BYTE> block = OwnVersionBlock();
    ApplicationInfo info;
    info.title = LUMARIND_WIDEN(LUMARIND_TITLE);
    info.major = LUMARIND_VERSION_MAJOR;
    info.minor = LUMARIND_VERSION_MINOR;
    info.revision = LUMARIND_VERSION_REVISION;
    info.versionText = VersionString(block, L"ProductVersion", LUMARIND_WIDEN(LUMARIND_VERSION_TEXT));
    info.comments = VersionString(block, L"Comments", LUMARIND_WIDEN(LUMARIND_DESCRIPTION));
    info.fileDescription = VersionString(block, L"FileDescription", LUMARIND_WIDEN(LUMARIND_DESCRIPTION));
    info.productName = VersionString(block, L"ProductName", LUMARIND_WIDEN(LUMARIND_PRODUCT_NAME));
    info.internalName = VersionString(block, L"InternalName", LUMARIND_WIDEN(LUMARIND_INTERNAL_NAME));
    info.companyName = VersionString(block, L"CompanyName", LUMARIND_WIDEN(LUMARIND_COMPANY));
    info.legalCopyright = VersionString(block, L"LegalCopyright", LUMARIND_WIDEN(LUMARIND_COPYRIGHT));
    info.legalTrademarks = VersionString(block, L"LegalTrademarks", LUMARIND_WIDEN(LUMARIND_TRADEMARKS));
    return info;
}

}  // namespace lumarind::win32
