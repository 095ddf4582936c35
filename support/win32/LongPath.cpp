#include "support/win32/LongPath.h"

#include <windows.h>

#include "support/SupportFunctions.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {

std::wstring ExtendedPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) ThrowLastError();
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    // Leave room for the 8.3 name and the temporary names beside it.
    if (full.size() < MAX_PATH - 20) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) ThrowLastError();
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

std::wstring ProgramFolder() { return tsGetFilePath(ProgramPath()); }

}  // namespace lumarind::win32
