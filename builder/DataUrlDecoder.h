#pragma once

#include <string>
#include <string_view>

namespace lumarind {

// The bytes a data URL carries. Accepts either form of ours and data URLs
// from elsewhere: white space around and line breaks inside, base64 and
// percent-encoded bodies. Throws lumarind::Error when the text is not a
// well-formed data URL.
std::string DecodeDataUrl(std::string_view text);

}  // namespace lumarind
