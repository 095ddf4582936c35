#include "cli/win32/ConsoleText.h"

#include <string>

#include "support/portable/Utf8.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WriteAll.h"

namespace lumarind::cli {
namespace {

constexpr DWORD kConsoleChunk = 16384;

}  // namespace

void WriteUtf8Text(HANDLE handle, std::string_view text) {
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = FromUtf8(text);
        for (std::size_t at = 0; at < wide.size();) {
            const DWORD chunk = wide.size() - at < kConsoleChunk ? static_cast<DWORD>(wide.size() - at) : kConsoleChunk;
            DWORD written = 0;
            if (!WriteConsoleW(handle, wide.data() + at, chunk, &written, nullptr)) win32::ThrowLastError();
            at += written;
        }
        return;
    }
    win32::WriteAll(handle, text);
}

}  // namespace lumarind::cli
