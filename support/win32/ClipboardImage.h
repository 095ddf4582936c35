// Images on the clipboard as PNG bytes: a PNG as offered, or a bitmap
// (CF_DIB, CF_DIBV5) encoded without loss by the system's own encoder, the
// Windows Imaging Component.
#pragma once

#include <cstddef>
#include <string>

namespace lumarind::win32 {

// The PNG a clipboard block holds: the block may be longer than the image
// (memory is given out in rounded sizes), so it ends after the IEND chunk.
std::string PngInBlock(const unsigned char* data, std::size_t size);

// A packed bitmap (its header, masks, colour table and pixels in one block)
// as PNG: 32-bit pixels with an alpha channel keep it, everything else is
// opaque RGB. Throws lumarind::Error.
std::string EncodeBitmapAsPng(const unsigned char* data, std::size_t size);

}  // namespace lumarind::win32
