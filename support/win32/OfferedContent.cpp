#include "support/win32/OfferedContent.h"

#include <ole2.h>

#include <initializer_list>

#include "support/win32/ClipboardImage.h"
#include "support/win32/FileListBlock.h"
#include "support/win32/UniqueHandle.h"

namespace lumarind::win32 {
namespace {

// The format browsers, Office and screenshot tools offer a PNG under.
constexpr wchar_t kPngFormatName[] = L"PNG";

// A block of memory, locked while this lives; empty when it cannot be.
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL memory) : memory_(memory), lock_(memory) {}
    const unsigned char* data() const { return static_cast<const unsigned char*>(lock_.data()); }
    std::size_t size() const { return lock_.data() != nullptr ? GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    GlobalLockGuard lock_;
};

std::wstring TextInBlock(const LockedBlock& block) {
    const auto* characters = reinterpret_cast<const wchar_t*>(block.data());
    const std::size_t most = block.size() / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < most && characters[length] != L'\0') ++length;
    return std::wstring(characters, length);
}

FORMATETC MemoryFormat(UINT format) {
    return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

}  // namespace

bool OpenClipboardFormats::Read(UINT format, const std::function<void(HGLOBAL memory)>& read) {
    if (!IsClipboardFormatAvailable(format)) return false;
    const HGLOBAL memory = GetClipboardData(format);
    if (memory == nullptr) return false;
    read(memory);
    return true;
}

bool DataObjectFormats::Read(UINT format, const std::function<void(HGLOBAL memory)>& read) {
    FORMATETC wanted = MemoryFormat(format);
    STGMEDIUM medium{};
    if (FAILED(data_.GetData(&wanted, &medium))) return false;
    struct Released {
        STGMEDIUM& medium;
        ~Released() { ReleaseStgMedium(&medium); }
    } released{medium};
    if (medium.tymed != TYMED_HGLOBAL || medium.hGlobal == nullptr) return false;
    read(medium.hGlobal);
    return true;
}

bool OffersUsableContent(IDataObject& data) {
    for (const UINT format : {UINT{CF_HDROP}, RegisterClipboardFormatW(kPngFormatName), UINT{CF_DIBV5}, UINT{CF_DIB},
                              UINT{CF_UNICODETEXT}}) {
        FORMATETC wanted = MemoryFormat(format);
        if (format != 0 && data.QueryGetData(&wanted) == S_OK) return true;
    }
    return false;
}

ClipboardContent ContentOf(OfferedFormats& offer) {
    ClipboardContent content;
    offer.Read(CF_HDROP, [&](HGLOBAL files) { content.files = FileNamesInBlock(files); });
    if (!content.files.empty()) {
        content.kind = ClipboardContent::Kind::kFiles;
        return content;
    }
    const UINT pngFormat = RegisterClipboardFormatW(kPngFormatName);
    if (pngFormat != 0) {
        offer.Read(pngFormat, [&](HGLOBAL memory) {
            const LockedBlock png(memory);
            if (png.size() == 0) return;
            content.kind = ClipboardContent::Kind::kImage;
            content.png = PngInBlock(png.data(), png.size());
        });
        if (content.kind == ClipboardContent::Kind::kImage) return content;
    }
    for (const UINT format : {UINT{CF_DIBV5}, UINT{CF_DIB}}) {
        offer.Read(format, [&](HGLOBAL memory) {
            const LockedBlock bitmap(memory);
            if (bitmap.size() == 0) return;
            // Copied once, here, while the offer holds it; encoded beside the window.
            content.bitmap = std::make_shared<PackedBitmap>(bitmap.data(), bitmap.size());
            content.kind = ClipboardContent::Kind::kImage;
        });
        if (content.kind == ClipboardContent::Kind::kImage) return content;
    }
    offer.Read(CF_UNICODETEXT, [&](HGLOBAL memory) {
        content.text = TextInBlock(LockedBlock(memory));
        if (!content.text.empty()) content.kind = ClipboardContent::Kind::kText;
    });
    return content;
}

}  // namespace lumarind::win32
