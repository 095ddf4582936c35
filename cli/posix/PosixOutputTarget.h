// What a name given to lumarind-cli -o is, found the way the kernel finds it.
// The folders on the way are the kernel's own lookup; the last name is opened
// without following it, so that what is checked is what is written. A
// symbolic link there is read through a descriptor of the link itself and
// followed one step at a time, and refused where the kernel's
// protected_symlinks rule refuses it (a link in a sticky folder open to all,
// owned neither by this user nor by the folder's owner), whatever this
// system's setting. Nothing is opened in a way that can block: a FIFO nobody
// reads is an error at once.
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
// a FIFO without a reader, EACCES naming a planted link, and whatever open
// reports.
OutputTarget FindOutputTarget(const std::string& path);

}  // namespace lumarind::cli
