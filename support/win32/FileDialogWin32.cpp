#include "support/win32/FileDialogWin32.h"

#include <windows.h>
#include <commdlg.h>

#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

// Room for the longest path the system allows.
constexpr DWORD kFileNameCapacity = 32768;

}  // namespace

std::wstring FileDialogWin32::SystemFilter(const std::wstring& filter) {
    std::wstring result = filter;
    for (wchar_t& c : result) {
        if (c == L'|') c = L'\0';
    }
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

bool FileDialogWin32::ShowOpen() { return Show(false); }

bool FileDialogWin32::ShowSave() { return Show(true); }

bool FileDialogWin32::Show(bool save) {
    const std::wstring filter = SystemFilter(filter_);
    std::wstring file(kFileNameCapacity, L'\0');
    fileName_.copy(file.data(), kFileNameCapacity - 1);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(owner_);
    dialog.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(filterIndex_ + 1);  // the system counts from 1
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kFileNameCapacity;
    dialog.lpstrInitialDir = initDir_.empty() ? nullptr : initDir_.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);

    const BOOL confirmed = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!confirmed) {
        const DWORD code = CommDlgExtendedError();
        if (code == 0) return false;
        throw Error(static_cast<std::int32_t>(code), L"The file dialog failed (code " + std::to_wstring(code) + L").");
    }
    fileName_ = file.c_str();
    filterIndex_ = dialog.nFilterIndex == 0 ? 0 : static_cast<int>(dialog.nFilterIndex) - 1;
    return true;
}

}  // namespace lumarind::win32
