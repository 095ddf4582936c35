#include "app/PastedDataUrl.h"

#include "builder/DataUrlDecoder.h"
#include "builder/SnippetOpening.h"
#include "support/Error.h"
#include "support/portable/AsciiText.h"
#include "support/portable/Utf8.h"

namespace lumarind {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kScheme = "data:";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::string_view DataUrlInPastedText(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    text = TrimAsciiSpace(text);
    return StartsWithIgnoringCase(text.substr(OpeningAt(text).length), kScheme) ? text : std::string_view();
}

DecodedDataUrl DecodePastedDataUrl(std::string_view text) {
    const std::string_view snippet = DataUrlInPastedText(text);
    if (snippet.empty()) throw Error(errors::kInvalidArgument, L"not a data URL (it does not start with \"data:\")");
    // The decoder lumarind-cli --decode runs: what the window decodes, it decodes alike.
    DecodedDataUrl decoded;
    decoded.bytes.resize(DataUrlDecoder::MostBytes(snippet.size()));
    char* out = decoded.bytes.data();
    DataUrlDecoder decoder;
    decoder.Add(snippet.data(), snippet.size(), out);
    decoder.Finish(out);
    decoded.bytes.resize(static_cast<std::size_t>(out - decoded.bytes.data()));
    decoded.bytes.shrink_to_fit();
    decoded.mediaType = FromUtf8(decoder.MediaType());
    return decoded;
}

}  // namespace lumarind
