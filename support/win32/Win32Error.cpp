#include "support/win32/Win32Error.h"

#include <memory>

namespace lumarind::win32 {

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, decltype(&LocalFree)> owner(buffer, &LocalFree);
    std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    if (text.empty()) text = L"Windows error " + std::to_wstring(code) + L".";
    return text;
}

Error ErrorFromCode(DWORD code) { return Error(static_cast<std::int32_t>(code), SystemMessage(code)); }

void ThrowLastError() { ThrowCode(GetLastError()); }

void ThrowCode(DWORD code) { throw ErrorFromCode(code); }

}  // namespace lumarind::win32
