// A data URL pasted as text: found the way lumarind-cli --decode finds it
// (a byte order mark and white space around it dropped, a snippet of ours
// unwrapped) and decoded to its media type and bytes.
#pragma once

#include <string>
#include <string_view>

namespace lumarind {

struct DecodedDataUrl {
    // As the data URL writes it; empty when it names none.
    std::wstring mediaType;
    std::string bytes;
};

// The data URL a text holds, or an empty view when it holds none.
std::string_view DataUrlInPastedText(std::string_view text);

// Decodes the data URL the text holds. Throws lumarind::Error when it holds
// none or a malformed one.
DecodedDataUrl DecodePastedDataUrl(std::string_view text);

}  // namespace lumarind
