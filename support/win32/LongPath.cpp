#include "support/win32/LongPath.h"

#include <windows.h>

#include <iterator>

#include "support/SupportFunctions.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";

}  // namespace

std::wstring ExtendedPath(const std::wstring& path) {
    if (path.rfind(kExtendedPrefix, 0) == 0) return path;
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
    if (full.rfind(kDevicePrefix, 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return kUncPrefix + full.substr(2);
    return kExtendedPrefix + full;
}

std::wstring UsualPath(const std::wstring& path) {
    if (path.rfind(kUncPrefix, 0) == 0) return L"\\\\" + path.substr(std::size(kUncPrefix) - 1);
    if (path.rfind(kExtendedPrefix, 0) == 0) return path.substr(std::size(kExtendedPrefix) - 1);
    return path;
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
