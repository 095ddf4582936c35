// What a name given to lumarind-cli -o is, found the way the kernel finds it,
// one name at a time through descriptors, so that what is checked is what is
// written and nothing can be swapped in between. Each name is opened without
// following it; a symbolic link is read through a descriptor of the link
// itself and followed one step at a time. The kernel's rules for sticky
// folders open to all (protected_symlinks, protected_regular,
// protected_fifos) hold whatever this system's settings: a link, file or
// FIFO there that belongs neither to this user nor to the folder's owner is
// refused. Links in /proc, which name open files rather than paths, are the
// kernel's to follow. Nothing is opened in a way that can block: a FIFO
// nobody reads is an error at once.
#pragma once

#include <sys/stat.h>

#include <string>

#include "cli/posix/Descriptor.h"

namespace lumarind::cli {

struct OutputTarget {
    enum class Kind {
        kNew,     // nothing by that name yet: created in folder
        kFile,    // a regular file, open for writing
        kStream,  // a pipe, terminal, device, socket or a descriptor of this
                  // process (/dev/stdout, /dev/fd/N, >(command)): written
                  // where it stands, as it appends
    };
    Kind kind = Kind::kNew;
    // Where name is; none for a file reached through /proc, which has no
    // folder a new file could be renamed into.
    Descriptor folder;
    std::string name;
    Descriptor file;
    struct stat status {};
};

// Throws lumarind::Error: EISDIR for a folder, ENXIO "nobody is reading" for
// a FIFO without a reader, EACCES naming what another user planted, and
// whatever open reports.
OutputTarget FindOutputTarget(const std::string& path);

}  // namespace lumarind::cli
