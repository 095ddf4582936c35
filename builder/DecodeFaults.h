// What --decode and --extract say when a data URL is refused, each with the
// place it was found at: "invalid character '$' at line 3, column 17 (byte 246)".
#pragma once

#include <cstdint>
#include <string>

#include "support/Error.h"

namespace lumarind {

namespace faults {
inline constexpr wchar_t kInvalidCharacter[] = L"invalid character";
inline constexpr wchar_t kStrayPadding[] = L"'=' before the end of the Base64 text";
inline constexpr wchar_t kWrongPadding[] = L"'=' where the length of the Base64 text allows none";
inline constexpr wchar_t kCutShort[] =
    L"the Base64 text ends one character after its last group of four, too few for a byte";
inline constexpr wchar_t kNoComma[] = L"no ',' after the media type";
inline constexpr wchar_t kNotDataUrl[] = L"not a data URL (it does not start with \"data:\")";
inline constexpr wchar_t kSecondDataUrl[] =
    L"a second data URL (--decode reads one; --extract FOLDER writes each to a file)";
inline constexpr wchar_t kTextAfter[] = L"text after the data URL";
inline constexpr wchar_t kLongSpaceAtEnd[] =
    L"the data URL ends in more than 64 KiB of spaces and control characters in a row, too many to drop";
inline constexpr wchar_t kUnclosed[] = L"the snippet ends before its data URL is closed";
}  // namespace faults

// A place in the text: its byte (from 0), and the line and column (from 1,
// the column in bytes) that a text editor shows.
struct TextPlace {
    std::uint64_t byte = 0;
    std::uint64_t line = 1;
    std::uint64_t lineStart = 0;

    // Past count bytes at text, counting the line breaks among them.
    void Advance(const char* text, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (text[i] == '\n') {
                ++line;
                lineStart = byte + i + 1;
            }
        }
        byte += count;
    }
};

// The fault's text with its place.
inline std::wstring FaultText(const wchar_t* what, const TextPlace& at) {
    return std::wstring(what) + L" at line " + std::to_wstring(at.line) + L", column " +
           std::to_wstring(at.byte - at.lineStart + 1) + L" (byte " + std::to_wstring(at.byte + 1) + L")";
}

[[noreturn]] inline void ThrowFault(const wchar_t* what, const TextPlace& at) {
    throw Error(errors::kInvalidArgument, FaultText(what, at));
}

// An invalid character, shown as itself when it is printable ASCII.
[[noreturn]] inline void ThrowInvalidCharacter(unsigned char c, const TextPlace& at) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring what = faults::kInvalidCharacter;
    if (c > ' ' && c < 0x7F) {
        what += L" '";
        what += static_cast<wchar_t>(c);
        what += L"'";
    } else {
        what += L" 0x";
        what += static_cast<wchar_t>(kHex[c >> 4]);
        what += static_cast<wchar_t>(kHex[c & 15]);
    }
    ThrowFault(what.c_str(), at);
}

}  // namespace lumarind
