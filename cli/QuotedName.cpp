#include "cli/QuotedName.h"

#include <cstdio>

#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

// A byte of a Linux file name that is not UTF-8, as the command line
// carries it (see posix/FileNameBytes.h): shown as that byte, which a shell
// takes back, rather than as a replacement character, which it cannot.
bool IsNameByte(wchar_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

bool IsShownEscaped(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsNameByte(c); }

// C's escape for a control character, or its UTF-8 bytes in octal.
std::string Escaped(wchar_t c) {
    if (IsNameByte(c)) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(c - 0xDC00));
        return octal;
    }
    switch (c) {
    case L'\a': return "\\a";
    case L'\b': return "\\b";
    case L'\t': return "\\t";
    case L'\n': return "\\n";
    case L'\v': return "\\v";
    case L'\f': return "\\f";
    case L'\r': return "\\r";
    default: break;
    }
    std::string escaped;
    for (const char byte : ToUtf8(std::wstring(1, c))) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(static_cast<unsigned char>(byte)));
        escaped += octal;
    }
    return escaped;
}

}  // namespace

std::string QuotedName(const std::wstring& name) {
    std::string quoted;
    bool open = false;  // inside '...'
    for (std::size_t at = 0; at < name.size();) {
        if (IsShownEscaped(name[at])) {
            if (open) quoted += '\'';
            open = false;
            quoted += "$'";
            for (; at < name.size() && IsShownEscaped(name[at]); ++at) quoted += Escaped(name[at]);
            quoted += '\'';
            continue;
        }
        std::size_t end = at;
        while (end < name.size() && !IsShownEscaped(name[end]) && name[end] != L'\'') ++end;
        if (end > at) {
            if (!open) quoted += '\'';
            open = true;
            quoted += ToUtf8(name.substr(at, end - at));
            at = end;
        }
        if (at < name.size() && name[at] == L'\'') {
            if (open) quoted += '\'';
            open = false;
            quoted += "\\'";
            ++at;
        }
    }
    if (open || quoted.empty()) quoted += open ? "'" : "''";
    return quoted;
}

}  // namespace lumarind::cli
