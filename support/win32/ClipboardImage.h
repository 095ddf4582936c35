// Images on the clipboard as PNG bytes: a PNG as offered, or a bitmap
// (CF_DIB, CF_DIBV5) encoded without loss by the system's own encoder, the
// Windows Imaging Component.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// The PNG a clipboard block holds: the block may be longer than the image
// (memory is given out in rounded sizes), so it ends after the IEND chunk.
std::string PngInBlock(const unsigned char* data, std::size_t size);

// A packed bitmap (its header, masks, colour table and pixels in one block),
// copied out of the clipboard or a drop while they hold it, and encoded as
// PNG afterwards, on any thread: 32-bit pixels with an alpha channel keep
// it, everything else is opaque RGB.
class PackedBitmap : public BitmapToEncode {
public:
    // Throws std::bad_alloc.
    PackedBitmap(const unsigned char* data, std::size_t size) : block_(data, data + size) {}

    // Once only: the copy of the block is let go of as soon as the PNG exists.
    std::shared_ptr<const ContentBytes> EncodeAsPng(WorkProgress& progress) override;

private:
    std::vector<unsigned char> block_;
};

}  // namespace lumarind::win32
