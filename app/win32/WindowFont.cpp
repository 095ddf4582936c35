#include "app/win32/WindowFont.h"

#include "app/win32/Layout.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {

UniqueGdiObject CreateWindowFont(int dpi) {
    UniqueGdiObject font(CreateFontW(-layout::FontPixelHeight(dpi), 0, 0, 0, layout::kFontWeight, FALSE, FALSE,
                                     FALSE, layout::kCyrillicCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, layout::kFontFace));
    if (!font) ThrowLastError();
    return font;
}

}  // namespace lumarind::win32
