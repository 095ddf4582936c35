#include "cli/win32/ConsoleText.h"

#include "support/portable/Utf8.h"
#include "support/portable/WriteEverything.h"
#include "support/win32/Win32Error.h"
#include "support/win32/WriteAll.h"

namespace lumarind::cli {
namespace {

constexpr std::size_t kConsoleChunk = 16384;

// How many bytes at the end begin a UTF-8 sequence that needs more.
std::size_t IncompleteTail(std::string_view text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const unsigned char byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

ConsoleText::ConsoleText(HANDLE handle) : handle_(handle), console_(IsConsole(handle)) {}

void ConsoleText::Write(std::string_view text) {
    if (!console_) return win32::WriteAll(handle_, text);
    std::string joined;
    if (!pending_.empty()) {
        joined = pending_ + std::string(text);
        text = joined;
    }
    const std::size_t tail = IncompleteTail(text);
    Show(text.substr(0, text.size() - tail));
    pending_.assign(text.substr(text.size() - tail));
}

void ConsoleText::Finish() {
    if (pending_.empty()) return;
    Show(pending_);
    pending_.clear();
}

void ConsoleText::Show(std::string_view text) const {
    const std::wstring wide = FromUtf8(text);
    WriteEverything(
        std::wstring_view(wide), kConsoleChunk,
        [this](const wchar_t* data, std::size_t count) {
            DWORD written = 0;
            if (!WriteConsoleW(handle_, data, static_cast<DWORD>(count), &written, nullptr)) win32::ThrowLastError();
            return static_cast<std::size_t>(written);
        },
        [] { return win32::ErrorFromCode(ERROR_WRITE_FAULT); });
}

void WriteUtf8Text(HANDLE handle, std::string_view text) {
    ConsoleText output(handle);
    output.Write(text);
    output.Finish();
}

}  // namespace lumarind::cli
