// A file name as messages show it: in single quotes, as a shell would take
// it back, with control characters written as $'\033' escapes (as ls and
// coreutils quote names), so that a name can never move the cursor, change
// colours or end the line on the terminal that shows the message.
#pragma once

#include <string>

namespace lumarind::cli {

// UTF-8 text.
std::string QuotedName(const std::wstring& name);

}  // namespace lumarind::cli
