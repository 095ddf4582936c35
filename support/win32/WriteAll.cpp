#include "support/win32/WriteAll.h"

#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

// 64 MiB keeps each call short without costing calls.
constexpr DWORD kIoChunk = 64u << 20;

}  // namespace

void WriteAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() < kIoChunk ? static_cast<DWORD>(bytes.size()) : kIoChunk;
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr)) ThrowLastError();
        bytes.remove_prefix(written);
    }
}

}  // namespace lumarind::win32
