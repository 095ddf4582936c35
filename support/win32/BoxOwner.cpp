#include "support/win32/BoxOwner.h"

namespace lumarind::win32 {
namespace {

// Boxes are shown on the one user-interface thread only.
HWND owner = nullptr;

}  // namespace

void SetBoxOwner(HWND window) noexcept { owner = window; }

HWND BoxOwner() noexcept { return owner; }

}  // namespace lumarind::win32
