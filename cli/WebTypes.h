// The content types browsers expect for the files web pages embed. Systems
// register other types for some of them (text/xml for .svg, text/plain for
// .js) and none for others (.woff2), so lumarind-cli -t auto asks this table
// first.
#pragma once

#include <string>
#include <string_view>

namespace lumarind::cli {

// The type for a file name extension (without the dot, any case); empty
// when the table has none.
std::wstring WebTypeForExtension(std::wstring_view extension);
// The usual extension (without the dot) for a type (its essence, in lower
// case); empty when the table has none.
std::wstring WebExtensionForType(std::wstring_view type);

}  // namespace lumarind::cli
