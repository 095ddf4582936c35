#pragma once

namespace lumarind::win32 {

// A horizontal etched line filling the top of its rectangle: the dividers of
// the button column. Drawn by us because the etched STATIC comes out 2 px
// wider under Wine.
void RegisterSeparatorLineClass();

}  // namespace lumarind::win32
