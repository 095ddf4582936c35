// What fstat tells about a file, as lumarind-cli compares files.
#pragma once

#include <sys/stat.h>

#include <optional>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

// Only a regular file can be lost by writing over it while it is read;
// /dev/null may well be both input and output.
inline std::optional<FileIdentity> RegularFileIdentity(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace lumarind::cli
