// UTF-8, wide text and UTF-16, and the Linux file-name mapping: any bytes
// are judged as an independent validator judges them, valid text comes back
// unchanged, and every byte string survives the trip through a file name.
#include <string>

#include "cli/posix/FileNameBytes.h"
#include "support/portable/Utf8.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

// Written from the table of well-formed byte sequences in the Unicode
// standard (3.9, table 3-7).
bool IsWellFormedUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = [&](std::size_t k) { return i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0x100u; };
        const auto in = [](unsigned v, unsigned low, unsigned high) { return v >= low && v <= high; };
        if (b(0) <= 0x7F) { i += 1; continue; }
        if (in(b(0), 0xC2, 0xDF) && in(b(1), 0x80, 0xBF)) { i += 2; continue; }
        const bool three = (b(0) == 0xE0 && in(b(1), 0xA0, 0xBF)) || (in(b(0), 0xE1, 0xEC) && in(b(1), 0x80, 0xBF)) ||
                           (b(0) == 0xED && in(b(1), 0x80, 0x9F)) || (in(b(0), 0xEE, 0xEF) && in(b(1), 0x80, 0xBF));
        if (three && in(b(2), 0x80, 0xBF)) { i += 3; continue; }
        const bool four = (b(0) == 0xF0 && in(b(1), 0x90, 0xBF)) || (in(b(0), 0xF1, 0xF3) && in(b(1), 0x80, 0xBF)) ||
                          (b(0) == 0xF4 && in(b(1), 0x80, 0x8F));
        if (four && in(b(2), 0x80, 0xBF) && in(b(3), 0x80, 0xBF)) { i += 4; continue; }
        return false;
    }
    return true;
}

bool IsScalarValue(char32_t code) { return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF); }
bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Written from the Unicode standard (3.9, D91).
std::u16string Utf16Of(const std::wstring& codes) {
    std::u16string units;
    for (const wchar_t c : codes) {
        const auto code = static_cast<char32_t>(c);
        if (code < 0x10000) {
            units += static_cast<char16_t>(code);
        } else {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return units;
}

// The units with each surrogate that is not half of a pair replaced.
std::u16string PairsKept(const std::u16string& units) {
    std::u16string kept = units;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const bool pair = i + 1 < kept.size() && kept[i] >= 0xD800 && kept[i] <= 0xDBFF && kept[i + 1] >= 0xDC00 &&
                          kept[i + 1] <= 0xDFFF;
        if (pair) {
            ++i;
        } else if (IsSurrogate(kept[i])) {
            kept[i] = u'\xFFFD';
        }
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const bool valid = IsWellFormedUtf8(bytes);
    Require(IsValidUtf8(bytes) == valid, "IsValidUtf8 agrees with the standard's table");
    const std::wstring text = FromUtf8(bytes);
    const std::string again = ToUtf8(text);
    Require(IsWellFormedUtf8(again), "ToUtf8 writes well-formed UTF-8");
    if (valid) Require(again == bytes, "valid UTF-8 comes back unchanged");
    for (const wchar_t c : text) Require(IsScalarValue(static_cast<char32_t>(c)), "FromUtf8 gives scalar values");

    // UTF-16, as Windows holds text, on this system too.
    const std::u16string utf16 = FromUtf8ToUtf16(bytes);
    Require(utf16 == Utf16Of(text), "UTF-16 holds the same code points, beyond U+FFFF as pairs");
    Require(ToUtf8(utf16) == again, "UTF-16 turns into the same UTF-8");
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    const std::string fromUnits = ToUtf8(units);
    Require(IsWellFormedUtf8(fromUnits), "ToUtf8 of any UTF-16 units is well-formed");
    Require(FromUtf8ToUtf16(fromUnits) == PairsKept(units), "UTF-16 comes back from UTF-8, lone surrogates as U+FFFD");

    const std::wstring name = cli::FileNameFromBytes(bytes);
    Require(cli::FileNameToBytes(name) == bytes, "any bytes come back from a file name");
    if (valid) Require(name == text, "a valid UTF-8 file name is its text");

    // The same bytes as wide characters: the scalar values among them come
    // back from UTF-8, the rest become U+FFFD.
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t code = 0;
        for (std::size_t b = 0; b < sizeof(wchar_t); ++b) code |= char32_t{data[i * sizeof(wchar_t) + b]} << (8 * b);
        wide[i] = static_cast<wchar_t>(code);
    }
    std::wstring expected = wide;
    for (wchar_t& c : expected) c = IsScalarValue(static_cast<char32_t>(c)) ? c : L'\xFFFD';
    const std::string encoded = ToUtf8(wide);
    Require(IsWellFormedUtf8(encoded), "ToUtf8 of any wide text is well-formed");
    Require(FromUtf8(encoded) == expected, "wide text comes back from UTF-8");
    return 0;
}
