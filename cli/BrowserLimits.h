// The lengths past which browsers refuse a data URL, and what lumarind-cli
// says when an output passes one: it still writes the output, since the
// limits differ between browsers and versions, but never in silence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/OutputFormats.h"

namespace lumarind::cli {

// Chromium opens no longer URL as a page (it passes URLs between its
// processes only up to 2 MiB); older versions also answered a download
// link to a longer one with "Network error".
inline constexpr std::size_t kChromiumNavigationLimit = std::size_t{2} << 20;
// Firefox before version 136 refuses a data URL over 32 MiB.
inline constexpr std::size_t kOlderFirefoxLimit = std::size_t{32} << 20;
// Chromium and current Firefox refuse one over 512 MiB.
inline constexpr std::size_t kEveryBrowserLimit = std::size_t{512} << 20;

// One warning line (ending in a line break) for each limit a data URL of
// urlLength characters passes in this format and for this content type;
// none when it passes none. name is the input as messages show it.
std::vector<std::string> BrowserLimitWarnings(Format format, std::wstring_view contentType, std::size_t urlLength,
                                              std::string_view name);

}  // namespace lumarind::cli
