// Where lumarind-cli -o writes on POSIX, once PosixOutputTarget.h has found
// what the name is.
//
// A new file, or a regular file with one name whose owner, group, mode and
// extended attributes a new file can be given, is replaced only once
// complete: the bytes go to an unnamed file in its folder, which is flushed,
// named and at once renamed over it, so that a run stopped half-way leaves
// nothing behind.
//
// A regular file that cannot be replaced that way without changing what it
// is (another user's file, a file with several names, a file in a folder
// this user may not write) is written in place: the new content is first
// kept whole in an unnamed file, then the space it needs is reserved, so that
// a full disk fails before the old content is touched, and only then is it
// copied over the old content, cut to its length and flushed.
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
