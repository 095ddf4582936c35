#include "cli/posix/FileNameBytes.h"

#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char32_t code) { return code >= kEscapeBase + 0x80 && code <= kEscapeBase + 0xFF; }

// Length of the well-formed UTF-8 sequence at bytes[i] (no overlong forms,
// no surrogates, nothing past U+10FFFF), or 0.
std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) return 1;
    const std::size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next >> 6) != 2) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::wstring FileNameFromBytes(std::string_view bytes) {
    std::wstring name;
    name.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            name += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(bytes[i]));
            ++i;
        } else {
            name += FromUtf8(bytes.substr(i, length));
            i += length;
        }
    }
    return name;
}

std::string FileNameToBytes(std::wstring_view name) {
    std::string bytes;
    bytes.reserve(name.size());
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto code = static_cast<char32_t>(name[i]);
        if (!IsEscapedByte(code)) continue;
        bytes += ToUtf8(name.substr(runStart, i - runStart));
        bytes += static_cast<char>(code - kEscapeBase);
        runStart = i + 1;
    }
    bytes += ToUtf8(name.substr(runStart));
    return bytes;
}

}  // namespace lumarind::cli
