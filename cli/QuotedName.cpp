#include "cli/QuotedName.h"

#include <cstdio>

#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// C's escape for a control character, or its UTF-8 bytes in octal.
std::string Escaped(wchar_t c) {
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
        if (IsControl(name[at])) {
            if (open) quoted += '\'';
            open = false;
            quoted += "$'";
            for (; at < name.size() && IsControl(name[at]); ++at) quoted += Escaped(name[at]);
            quoted += '\'';
            continue;
        }
        std::size_t end = at;
        while (end < name.size() && !IsControl(name[end]) && name[end] != L'\'') ++end;
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
