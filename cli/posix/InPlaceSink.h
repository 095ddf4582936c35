// Writing over a regular file that must stay the same file (see
// PosixOutputFile.h): the new content is first made whole in an unnamed
// file, so that nothing of the old one is touched before the input has
// been read and the space found.
//
// Where the file system can share blocks between files (Btrfs, XFS, and
// others that copy on write), the unnamed file is made on the same file
// system and its blocks are cloned onto the file at once: overwriting there
// would need new space for every block, and a full disk would leave the
// file half overwritten. Elsewhere the new content waits in $TMPDIR, the
// space it needs is reserved (shared blocks unshared first), and only then
// is it copied over the old content. A file system that copies every write
// and where no file can be made beside the target is refused before
// anything is read.
//
// From the first changed byte until the file is whole, cut to length and
// flushed, Ctrl-C and its like wait (DeferredSignals.h).
#pragma once

#include <sys/stat.h>

#include "cli/CliPlatform.h"
#include "cli/posix/Descriptor.h"

namespace lumarind::cli {

class InPlaceSink : public ByteSink {
public:
    // folder: where the file is, to make the unnamed file on the same file
    // system; -1 where it is not known.
    InPlaceSink(Descriptor file, const struct stat& status, int folder);
    void Write(std::string_view bytes) override;
    void Commit() override;
    std::optional<FileIdentity> WrittenFile() const override;

private:
    // False where the file system cannot clone; nothing is changed then.
    bool Clone();
    void Overwrite();
    void Reserve() const;

    Descriptor file_;
    struct stat status_;
    Descriptor staged_;
    bool sameFileSystem_ = false;
    off_t length_ = 0;
};

}  // namespace lumarind::cli
