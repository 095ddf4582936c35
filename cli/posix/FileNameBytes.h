// File names on POSIX are bytes, not text. The command line keeps them as
// wide text, so bytes that are not UTF-8 travel as the code points
// U+DC80..U+DCFF (one per byte) and turn back into the same bytes when the
// file is opened. Valid UTF-8 never decodes to those code points, so the
// mapping is lossless both ways.
#pragma once

#include <string>
#include <string_view>

namespace lumarind::cli {

std::wstring FileNameFromBytes(std::string_view bytes);
std::string FileNameToBytes(std::wstring_view name);

}  // namespace lumarind::cli
