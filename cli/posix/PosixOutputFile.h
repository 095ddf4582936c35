// Where lumarind-cli -o writes on POSIX, once PosixOutputTarget.h has found
// what the name is.
//
// A new file, or a regular file with one name whose owner, group, mode and
// extended attributes a new file can be given, is replaced only once
// complete: the bytes go to an unnamed file in its folder, which is flushed,
// named and at once renamed over it, so that a run stopped half-way leaves
// nothing behind. A new file is made as the folder makes any (its default
// access list, or the umask) and takes its name without a temporary one.
//
// A regular file that cannot be replaced that way without changing what it
// is (another user's file, a file with several names, a file in a folder
// this user may not write or that is append-only, a file mounted over its
// name) is written in place, as InPlaceSink.h describes.
//
// A stream (pipe, terminal, device, a descriptor of this process) is written
// where it stands.
#pragma once

#include <memory>
#include <string>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

// Throws lumarind::Error when the target is a folder or may not be written.
std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path);

}  // namespace lumarind::cli
