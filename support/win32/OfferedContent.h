// What a paste or a drop of data offers, read the same way from either: the
// clipboard's formats or a drag's data object. Copied files (CF_HDROP) come
// first, then an image (the registered "PNG", else a copy of CF_DIBV5 or
// CF_DIB to encode as PNG afterwards), then text (CF_UNICODETEXT).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <functional>

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

// The formats of one offer.
class OfferedFormats {
public:
    virtual ~OfferedFormats() = default;
    // Calls read with the format's memory; false when the format is not
    // offered or cannot be had. The memory stays the offer's.
    virtual bool Read(UINT format, const std::function<void(HGLOBAL memory)>& read) = 0;
};

// The formats of the clipboard, which the caller holds open.
class OpenClipboardFormats : public OfferedFormats {
public:
    bool Read(UINT format, const std::function<void(HGLOBAL memory)>& read) override;
};

// The formats of a drag's data object, as memory blocks.
class DataObjectFormats : public OfferedFormats {
public:
    explicit DataObjectFormats(IDataObject& data) : data_(data) {}
    bool Read(UINT format, const std::function<void(HGLOBAL memory)>& read) override;

private:
    IDataObject& data_;
};

// True when the data object offers any format ContentOf takes.
bool OffersUsableContent(IDataObject& data);

// The first usable content of the offer; Kind::kNothing when it has none.
// Throws lumarind::Error, std::bad_alloc.
ClipboardContent ContentOf(OfferedFormats& offer);

}  // namespace lumarind::win32
