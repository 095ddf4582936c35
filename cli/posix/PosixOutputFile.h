// Where lumarind-cli -o writes on POSIX. A regular file (or a new one) is
// replaced only once complete: the bytes go to a temporary file beside it,
// which is flushed, given the old file's mode, owner and group, and renamed
// over it. A symbolic link is followed and its target replaced, so the link
// stays a link. Devices, FIFOs and the like are written directly, never
// renamed over.
#pragma once

#include <memory>
#include <string>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

// Throws lumarind::Error when the target is a folder or may not be written.
std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path);

}  // namespace lumarind::cli
