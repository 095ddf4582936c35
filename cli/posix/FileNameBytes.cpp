#include "cli/posix/FileNameBytes.h"

#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char32_t code) { return code >= kEscapeBase + 0x80 && code <= kEscapeBase + 0xFF; }

}  // namespace

std::wstring FileNameFromBytes(std::string_view bytes) {
    std::wstring name;
    name.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
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
