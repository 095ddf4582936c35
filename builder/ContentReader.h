// A file's whole content read into memory once, a piece at a time, so that
// the read shows its progress and can be stopped between two pieces.
#pragma once

#include <memory>

#include "support/ComponentObjects.h"
#include "support/DocumentText.h"
#include "support/WorkProgress.h"

namespace lumarind {

// Reads up to the size the file had when opened (less when it was shortened
// meanwhile). A file that reports no size (a /proc file, some devices and
// pipes) is read to its end. Throws CancelledError once progress is
// cancelled, std::bad_alloc when the content does not fit in memory.
std::shared_ptr<const ContentBytes> ReadWholeContent(FileContent& content, WorkProgress& progress);

}  // namespace lumarind
