// The new files of lumarind-cli --extract on POSIX: an unnamed file in the
// folder (a hidden one where the file system has none), flushed and linked
// under its name at the end; linking never replaces a name that exists.
#pragma once

#include <memory>
#include <string>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

// Throws lumarind::Error when the folder cannot be made or written.
std::unique_ptr<NewFileSink> NewFileInFolder(const std::string& folder);

}  // namespace lumarind::cli
