// Media types as RFC 2045 writes them: type "/" subtype, then parameters
// ";" name "=" value, each name, type and subtype a token and each value a
// token or a quoted string. The rule that reads one and the rules that
// classify one live here together, so that every caller sees a type alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumarind::cli {

// RFC 2045 token characters only, at least one.
bool IsToken(std::wstring_view text);

// The media type as it goes into a data URL: the same text without the
// white space around it and around each ';'. Empty when text is not a media
// type (an empty text is none).
std::optional<std::wstring> NormalisedMediaType(std::wstring_view text);

// "type/subtype" in lower case, without parameters or white space around.
std::wstring MediaTypeEssence(std::wstring_view type);

bool IsImageType(std::wstring_view type);
bool IsAudioOrVideoType(std::wstring_view type);
// text/*, JSON, XML, JavaScript and the +xml and +json families.
bool IsTextualType(std::wstring_view type);
// True when one of the parameters is a charset.
bool HasCharsetParameter(std::wstring_view type);

// type + ";charset=" + charset, or type alone for an empty charset.
std::wstring WithCharset(std::wstring_view type, std::wstring_view charset);

}  // namespace lumarind::cli
