// Percent-encoding: any bytes come back from the decoder unchanged, and the
// encoded text holds only characters that URLs, HTML attributes, CSS strings
// and Markdown links take as they are, and %XX. Any text the decoder accepts
// as a percent body encodes again to an equivalent one.
#include <string>
#include <string_view>

#include "builder/DataUrlDecoder.h"
#include "codecs/PercentEncoding.h"
#include "support/Error.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

// Written from RFC 3986 (unreserved characters and the sub-delimiters,
// ':', '@', '/' and '?') less those that end or break the snippets:
// quotes, parentheses and '&', and less ';', which Chromium takes for the
// end of the media type wherever it stands.
bool MayStandAsItself(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("-._~!$*+,=:@/?").find(c) != std::string_view::npos;
}

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::string Encoded(std::string_view bytes) {
    std::string text(PercentEncodedLength(bytes), '?');
    const char* end = PercentEncode(bytes, text.data());
    Require(end == text.data() + text.size(), "PercentEncode writes PercentEncodedLength characters");
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = Encoded(bytes);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            Require(i + 2 < text.size() && IsUpperHex(text[i + 1]) && IsUpperHex(text[i + 2]),
                    "'%' starts an escape of two upper-case hex digits");
            i += 2;
        } else {
            Require(MayStandAsItself(text[i]), "only characters safe in URLs and snippets stand as themselves");
        }
    }
    Require(DecodeDataUrl("data:," + text) == bytes, "the percent form decodes back to the bytes");

    // The same bytes as a body someone else wrote.
    std::string decoded;
    try {
        decoded = DecodeDataUrl("data:," + bytes);
    } catch (const Error&) {
        return 0;
    }
    Require(DecodeDataUrl("data:," + Encoded(decoded)) == decoded, "an accepted body encodes again to its bytes");
    return 0;
}
