#include "app/PastedDataUrl.h"

#include <cctype>

#include "builder/DataUrlDecoder.h"
#include "cli/OutputFormats.h"
#include "support/Error.h"
#include "support/portable/AsciiText.h"
#include "support/portable/Utf8.h"

namespace lumarind {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kScheme = "data:";
constexpr std::string_view kBase64 = ";base64";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::string_view DataUrlInPastedText(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    const std::string_view dataUrl = cli::DataUrlInSnippet(TrimAsciiSpace(text));
    return StartsWithIgnoringCase(dataUrl, kScheme) ? dataUrl : std::string_view();
}

DecodedDataUrl DecodePastedDataUrl(std::string_view text) {
    const std::string_view dataUrl = DataUrlInPastedText(text);
    if (dataUrl.empty()) throw Error(errors::kInvalidArgument, L"not a data URL (it does not start with \"data:\")");
    DecodedDataUrl decoded;
    // The one call of the decoder: what the window decodes, it decodes here.
    decoded.bytes = DecodeDataUrl(dataUrl);
    std::string_view metadata = dataUrl.substr(kScheme.size());
    metadata = metadata.substr(0, metadata.find(','));
    if (metadata.size() >= kBase64.size() &&
        StartsWithIgnoringCase(metadata.substr(metadata.size() - kBase64.size()), kBase64)) {
        metadata.remove_suffix(kBase64.size());
    }
    decoded.mediaType = FromUtf8(TrimAsciiSpace(metadata));
    return decoded;
}

}  // namespace lumarind
