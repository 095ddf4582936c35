// RFC 4648 Base64 in this program's line form: 76-character lines separated
// by CR LF, with no break after the last line. The output is sized once and
// written in place.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/Error.h"
#include "support/SupportFunctions.h"

namespace lumarind {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kBytesPerLine = kBase64LineLength / 4 * 3;

std::size_t EncodedLength(std::size_t byteCount) {
    if (byteCount == 0) return 0;
    const std::size_t characters = (byteCount + 2) / 3 * 4;
    const std::size_t lines = (characters + kBase64LineLength - 1) / kBase64LineLength;
    return characters + 2 * (lines - 1);
}

wchar_t* EncodeLine(const unsigned char* in, std::size_t count, wchar_t* out) {
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const std::uint32_t group = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
        *out++ = static_cast<wchar_t>(kAlphabet[(group >> 18) & 63]);
        *out++ = static_cast<wchar_t>(kAlphabet[(group >> 12) & 63]);
        *out++ = static_cast<wchar_t>(kAlphabet[(group >> 6) & 63]);
        *out++ = static_cast<wchar_t>(kAlphabet[group & 63]);
    }
    const std::size_t rest = count - i;
    if (rest != 0) {
        const std::uint32_t group = (std::uint32_t{in[i]} << 16) | (rest == 2 ? std::uint32_t{in[i + 1]} << 8 : 0);
        *out++ = static_cast<wchar_t>(kAlphabet[(group >> 18) & 63]);
        *out++ = static_cast<wchar_t>(kAlphabet[(group >> 12) & 63]);
        *out++ = rest == 2 ? static_cast<wchar_t>(kAlphabet[(group >> 6) & 63]) : L'=';
        *out++ = L'=';
    }
    return out;
}

}  // namespace

std::wstring tsBase64Encode(std::string_view content, int lineForm) {
    if (lineForm != kBase64LineForm) {
        throw Error(errors::kInvalidArgument, L"Unsupported Base64 line form " + std::to_wstring(lineForm));
    }
    std::wstring text(EncodedLength(content.size()), L'\0');
    const auto* in = reinterpret_cast<const unsigned char*>(content.data());
    wchar_t* out = text.data();
    for (std::size_t done = 0; done < content.size(); done += kBytesPerLine) {
        if (done != 0) {
            *out++ = L'\r';
            *out++ = L'\n';
        }
        const std::size_t count = content.size() - done < kBytesPerLine ? content.size() - done : kBytesPerLine;
        out = EncodeLine(in + done, count, out);
    }
    return text;
}

}  // namespace lumarind
