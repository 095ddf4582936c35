// Percent-encoding for each place: any bytes come back from the decoder
// unchanged, and the encoded text holds only characters that the place and
// URL parsers take as they are, and %XX. Any text the decoder accepts as a
// percent body encodes again to an equivalent one.
#include <string>
#include <string_view>

#include "builder/DataUrlDecoder.h"
#include "codecs/PercentEncoding.h"
#include "support/Error.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

// Never as themselves anywhere: an escape, a fragment, the end of the media
// type for Chromium, and what URL parsers drop or change.
bool NeverAsItself(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '%' || c == '#' || c == ';' || byte < 0x20 || byte >= 0x7F;
}

// What each place itself gives a meaning to: RFC 3986 excludes these from
// a URL in text; a CSS string ends at its quote and escapes with '\'; an
// HTML attribute ends at its quote and reads references from '&'; a
// Markdown destination ends at a space or an unbalanced parenthesis and
// reads escapes and references.
constexpr std::string_view kMeaningful[] = {" \"<>[\\]^`{|}", "\"\\", "\"&", " ()\\&"};

constexpr PercentPlace kPlaces[] = {PercentPlace::kBareUrl, PercentPlace::kCssString, PercentPlace::kHtmlAttribute,
                                    PercentPlace::kMarkdown};

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// The body as lumarind-cli writes it: spaces that end it as %20 where the
// place keeps spaces, since URL parsers strip them.
std::string Encoded(PercentPlace place, std::string_view bytes) {
    const std::size_t spaces = IsKeptInPercentForm(place, ' ') ? PercentTrailingSpaces(0, bytes) : 0;
    bytes.remove_suffix(spaces);
    std::string text(PercentEncodedLength(place, bytes), '?');
    const char* end = PercentEncode(place, bytes, text.data());
    Require(end == text.data() + text.size(), "PercentEncode writes PercentEncodedLength characters");
    for (std::size_t k = 0; k < spaces; ++k) text += "%20";
    Require(text.empty() || text.back() != ' ', "no space ends the body");
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const PercentPlace place : kPlaces) {
        const std::string text = Encoded(place, bytes);
        const std::string_view meaningful = kMeaningful[static_cast<int>(place)];
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%') {
                Require(i + 2 < text.size() && IsUpperHex(text[i + 1]) && IsUpperHex(text[i + 2]),
                        "'%' starts an escape of two upper-case hex digits");
                i += 2;
            } else {
                Require(!NeverAsItself(text[i]) && meaningful.find(text[i]) == std::string_view::npos,
                        "only characters the place takes as they are stand as themselves");
            }
        }
        Require(DecodeDataUrl("data:," + text) == bytes, "the percent form decodes back to the bytes");
        Require(PercentTrailingSpaces(0, bytes) <= bytes.size(), "no more spaces end the bytes than they hold");
    }

    // The same bytes as a body someone else wrote.
    std::string decoded;
    try {
        decoded = DecodeDataUrl("data:," + bytes);
    } catch (const Error&) {
        return 0;
    }
    for (const PercentPlace place : kPlaces) {
        Require(DecodeDataUrl("data:," + Encoded(place, decoded)) == decoded, "an accepted body encodes again to its bytes");
    }
    return 0;
}
