#include "cli/SafeFileName.h"

#include "support/portable/AsciiText.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

bool IsReservedOnWindows(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = AsciiLower(c);
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (stem == device) return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '0' &&
           stem[3] <= '9';
}

// The length of the UTF-8 sequence at text[at], 0 when it is not one.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    for (std::size_t length = 1; length <= 4 && at + length <= text.size(); ++length) {
        if (IsValidUtf8(text.substr(at, length))) return length;
    }
    return 0;
}

}  // namespace

std::wstring SafeFileName(std::string_view name) {
    std::string safe;
    for (std::size_t at = 0; at < name.size();) {
        const auto c = static_cast<unsigned char>(name[at]);
        const std::size_t length = SequenceLength(name, at);
        if (length == 0) {
            safe += '_';
            ++at;
        } else if (length == 1 && (c < 0x20 || c == 0x7F || std::string_view("/\\\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)) {
            safe += '_';
            ++at;
        } else {
            safe.append(name.substr(at, length));
            at += length;
        }
    }
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    while (!safe.empty() && safe.front() == ' ') safe.erase(0, 1);
    if (safe.find_first_not_of('.') == std::string::npos) return {};
    if (IsReservedOnWindows(safe)) safe.insert(0, "_");
    if (safe.size() > kMostNameBytes) {
        const std::size_t dot = safe.rfind('.');
        const std::string extension = dot != std::string::npos && safe.size() - dot <= 16 ? safe.substr(dot) : "";
        std::size_t keep = kMostNameBytes - extension.size();
        // Cut between whole characters.
        while (keep > 0 && (static_cast<unsigned char>(safe[keep]) & 0xC0) == 0x80) --keep;
        safe = safe.substr(0, keep) + extension;
        while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
    }
    return FromUtf8(safe);
}

std::wstring NumberedName(const std::wstring& name, int number) {
    const std::size_t dot = name.rfind(L'.');
    const std::size_t stemEnd = dot == std::wstring::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stemEnd) + L" (" + std::to_wstring(number) + L")" + name.substr(stemEnd);
}

}  // namespace lumarind::cli
