// lumarind-cli --extract FOLDER: every data URL in a text, each to a new
// file in FOLDER, written as -o writes a file (complete or not at all) and
// never over a file that is there.
#pragma once

#include "cli/CliOptions.h"
#include "cli/CliPlatform.h"

namespace lumarind::cli {

// True when every data URL was written; a malformed one is reported on
// standard error and the others are still written. Throws Failure when the
// input cannot be read or a file cannot be written.
bool ExtractDataUrls(const CliOptions& options, CliPlatform& platform);

}  // namespace lumarind::cli
