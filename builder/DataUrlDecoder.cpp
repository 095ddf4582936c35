#include "builder/DataUrlDecoder.h"

#include <cctype>

#include "codecs/PercentEncoding.h"
#include "support/Error.h"
#include "support/portable/AsciiText.h"

namespace lumarind {
namespace {

constexpr std::int32_t kMalformed = errors::kInvalidArgument;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Appends the bytes of one group of four characters; true when the group
// was padded, so that it must be the last.
bool DecodeQuad(const char (&quad)[4], std::string& bytes) {
    int v[4];
    for (int k = 0; k < 4; ++k) {
        v[k] = quad[k] == '=' && k >= 2 ? 0 : Base64Value(quad[k]);
        if (v[k] < 0) throw Error(kMalformed, L"invalid character or misplaced '=' in the Base64 text");
    }
    if (quad[2] == '=' && quad[3] != '=') throw Error(kMalformed, L"misplaced '=' in the Base64 text");
    const auto group = static_cast<std::uint32_t>((v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3]);
    bytes += static_cast<char>(group >> 16);
    if (quad[2] != '=') bytes += static_cast<char>((group >> 8) & 0xFF);
    if (quad[3] != '=') bytes += static_cast<char>(group & 0xFF);
    return quad[3] == '=';
}

std::string DecodeBase64Body(std::string_view body) {
    std::string bytes;
    bytes.reserve(body.size() / 4 * 3);
    char quad[4];
    int filled = 0;
    bool padded = false;
    for (const char c : body) {
        if (IsAsciiSpace(c)) continue;
        if (padded) throw Error(kMalformed, L"the Base64 text goes on after its padding");
        quad[filled++] = c;
        if (filled == 4) {
            padded = DecodeQuad(quad, bytes);
            filled = 0;
        }
    }
    if (filled != 0) throw Error(kMalformed, L"the Base64 text is cut short or lacks its padding");
    return bytes;
}

}  // namespace

std::string DecodeDataUrl(std::string_view text) {
    text = TrimAsciiSpace(text);
    constexpr std::string_view kScheme = "data:";
    if (text.size() < kScheme.size() || !EqualsIgnoringCase(text.substr(0, kScheme.size()), kScheme)) {
        throw Error(kMalformed, L"not a data URL (it does not start with \"data:\")");
    }
    text.remove_prefix(kScheme.size());
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) throw Error(kMalformed, L"no comma after the media type");
    const std::string_view metadata = text.substr(0, comma);
    const std::string_view body = text.substr(comma + 1);
    constexpr std::string_view kBase64 = ";base64";
    const bool isBase64 = metadata.size() >= kBase64.size() &&
                          EqualsIgnoringCase(metadata.substr(metadata.size() - kBase64.size()), kBase64);
    return isBase64 ? DecodeBase64Body(body) : PercentDecode(body);
}

}  // namespace lumarind
