#include "support/win32/WriteAll.h"

#include "support/portable/WriteEverything.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

// 64 MiB keeps each call short without costing calls.
constexpr DWORD kIoChunk = 64u << 20;

}  // namespace

void WriteAll(HANDLE handle, std::string_view bytes) {
    WriteEverything(
        bytes, kIoChunk,
        [handle](const char* data, std::size_t count) {
            DWORD written = 0;
            if (!::WriteFile(handle, data, static_cast<DWORD>(count), &written, nullptr)) ThrowLastError();
            return static_cast<std::size_t>(written);
        },
        [] { return ErrorFromCode(ERROR_WRITE_FAULT); });
}

}  // namespace lumarind::win32
