// Long work (reading a file, writing a saved one) runs beside the window's
// thread, so that the window keeps answering: painting, the clipboard, the
// end of a session. The job runs there and must not touch the window; done
// runs afterwards on the window's thread and publishes what the job made.
#pragma once

#include <functional>

#include "support/WorkProgress.h"

namespace lumarind {

enum class WorkKind { kLoad, kSave };

using WorkJob = std::function<void(WorkProgress& progress)>;
// cancelled: the user stopped the work, or other work took its place.
using WorkDone = std::function<void(bool cancelled)>;

}  // namespace lumarind
