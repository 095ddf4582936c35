#include "support/win32/ClipboardImage.h"

#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkOverhead = 12;  // length, type and CRC

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

[[noreturn]] void ThrowResult(HRESULT result) {
    ThrowCode(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result));
}

void Check(HRESULT result) {
    if (FAILED(result)) ThrowResult(result);
}

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** put() { return &pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// COM for this thread while it lives, unless the thread has it already.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }

private:
    bool initialised_;
};

// The encoder is given a band of rows of about this size at a time: Esc is
// looked for and progress told between two bands, and no converted copy of
// the whole image is ever made.
constexpr std::size_t kBandBytes = 256 * 1024;

struct BitmapLayout {
    BITMAPINFOHEADER header{};
    DWORD masks[4] = {};  // red, green, blue, alpha
    bool alphaMaskNamed = false;  // by the header, even as 0
    std::size_t colourTableAt = 0;
    std::size_t colours = 0;
    std::size_t pixelsAt = 0;
    std::size_t stride = 0;
    bool bottomUp = true;
};

// Where the masks lie in a header that holds them: right after the fields
// of a plain one.
constexpr std::size_t kMasksInHeaderAt = sizeof(BITMAPINFOHEADER);

[[noreturn]] void ThrowBadBitmap() { ThrowCode(ERROR_INVALID_DATA); }

BitmapLayout ReadLayout(const unsigned char* data, std::size_t size) {
    BitmapLayout layout;
    if (size < sizeof(BITMAPINFOHEADER)) ThrowBadBitmap();
    std::memcpy(&layout.header, data, sizeof layout.header);
    const BITMAPINFOHEADER& h = layout.header;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biWidth > 0x40000 || h.biHeight > 0x40000 || h.biHeight < -0x40000) {
        ThrowBadBitmap();
    }
    std::size_t at = h.biSize;
    if (h.biSize >= kMasksInHeaderAt + 12) {
        // A header longer than the plain one holds the masks itself, where
        // the plain one is followed by them (BITMAPV2INFOHEADER on): red,
        // green and blue, then alpha from BITMAPV3INFOHEADER on.
        const std::size_t count = h.biSize >= kMasksInHeaderAt + 16 ? 4 : 3;
        std::memcpy(layout.masks, data + kMasksInHeaderAt, count * sizeof(DWORD));
        layout.alphaMaskNamed = count == 4;
    } else if (h.biCompression == BI_BITFIELDS) {
        if (size < at + 12) ThrowBadBitmap();
        std::memcpy(layout.masks, data + at, 12);
        at += 12;
    }
    layout.colours = h.biClrUsed;
    if (layout.colours == 0 && h.biBitCount <= 8) layout.colours = std::size_t{1} << h.biBitCount;
    if (layout.colours > (size - at) / sizeof(RGBQUAD)) ThrowBadBitmap();
    layout.colourTableAt = at;
    layout.pixelsAt = at + layout.colours * sizeof(RGBQUAD);
    layout.bottomUp = h.biHeight > 0;
    layout.stride = ((static_cast<std::size_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    // JPEG and PNG inside a bitmap header are for printers only.
    if (layout.stride == 0 || h.biCompression == BI_JPEG || h.biCompression == BI_PNG) ThrowBadBitmap();
    return layout;
}

UINT Rows(const BitmapLayout& layout) {
    return static_cast<UINT>(layout.header.biHeight < 0 ? -layout.header.biHeight : layout.header.biHeight);
}

bool Compressed(const BitmapLayout& layout) {
    return layout.header.biCompression == BI_RLE8 || layout.header.biCompression == BI_RLE4;
}

// The block holds every row its header promises (for a compressed bitmap,
// the bytes its header counts), so that nothing reads beyond it.
void CheckPixelsFit(std::size_t size, const BitmapLayout& layout) {
    const std::size_t room = size - layout.pixelsAt;
    const bool fits = Compressed(layout) ? layout.header.biSizeImage != 0 && layout.header.biSizeImage <= room
                                         : room / layout.stride >= Rows(layout);
    if (!fits) ThrowBadBitmap();
}

// A mask of eight bits in a row, as 32-bit pixels have them: its shift.
bool ByteShift(DWORD mask, int& shift) {
    for (shift = 0; shift <= 24; shift += 8) {
        if (mask == DWORD{0xFF} << shift) return true;
    }
    return false;
}

// The rows of an image as the encoder takes them, from the top: BGRA with
// an alpha channel, BGR without.
class RowSource {
public:
    virtual ~RowSource() = default;
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    bool Alpha() const { return alpha_; }
    UINT Channels() const { return alpha_ ? 4 : 3; }
    // Rows first to first + count - 1, stride bytes apart.
    virtual void Fill(UINT first, UINT count, BYTE* out, std::size_t stride) = 0;

protected:
    UINT width_ = 0;
    UINT height_ = 0;
    bool alpha_ = false;
};

// 32-bit pixels read straight, so that their alpha survives: GDI drops it.
class ThirtyTwoBitRows : public RowSource {
public:
    // Nothing when the pixels are not 32-bit ones with a byte per channel.
    static std::unique_ptr<ThirtyTwoBitRows> Of(const unsigned char* data, const BitmapLayout& layout) {
        const BITMAPINFOHEADER& h = layout.header;
        if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)) return nullptr;
        DWORD masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        if (h.biCompression == BI_BITFIELDS) {
            std::memcpy(masks, layout.masks, sizeof(DWORD) * 3);
            // Without a header that names one, the byte left over is alpha.
            masks[3] = layout.alphaMaskNamed ? layout.masks[3] : ~(masks[0] | masks[1] | masks[2]);
        } else if (layout.alphaMaskNamed && layout.masks[3] != 0) {
            masks[3] = layout.masks[3];
        }
        auto rows = std::unique_ptr<ThirtyTwoBitRows>(new ThirtyTwoBitRows(data, layout));
        for (int c = 0; c < 3; ++c) {
            if (!ByteShift(masks[c], rows->shifts_[c])) return nullptr;
        }
        rows->alpha_ = ByteShift(masks[3], rows->shifts_[3]) && rows->AlphaMatters();
        return rows;
    }

    void Fill(UINT first, UINT count, BYTE* out, std::size_t stride) override {
        const UINT channels = Channels();
        for (UINT y = first; y < first + count; ++y, out += stride) {
            BYTE* pixelOut = out;
            const unsigned char* row = Row(y);
            for (UINT x = 0; x < width_; ++x, pixelOut += channels) {
                DWORD pixel;
                std::memcpy(&pixel, row + 4 * x, 4);
                pixelOut[0] = static_cast<BYTE>(pixel >> shifts_[2]);
                pixelOut[1] = static_cast<BYTE>(pixel >> shifts_[1]);
                pixelOut[2] = static_cast<BYTE>(pixel >> shifts_[0]);
                if (alpha_) pixelOut[3] = static_cast<BYTE>(pixel >> shifts_[3]);
            }
        }
    }

private:
    ThirtyTwoBitRows(const unsigned char* data, const BitmapLayout& layout) : data_(data), layout_(layout) {
        width_ = static_cast<UINT>(layout.header.biWidth);
        height_ = Rows(layout);
    }

    const unsigned char* Row(UINT y) const {
        const UINT from = layout_.bottomUp ? height_ - 1 - y : y;
        return data_ + layout_.pixelsAt + from * layout_.stride;
    }

    // An alpha byte that is 0 everywhere is the reserved byte of an opaque
    // bitmap, as most programs write one; 255 everywhere needs no channel.
    bool AlphaMatters() const {
        bool anyVisible = false, anyTranslucent = false;
        for (UINT y = 0; y < height_ && !(anyVisible && anyTranslucent); ++y) {
            const unsigned char* row = Row(y);
            for (UINT x = 0; x < width_; ++x) {
                DWORD pixel;
                std::memcpy(&pixel, row + 4 * x, 4);
                const DWORD alpha = (pixel >> shifts_[3]) & 0xFF;
                anyVisible |= alpha != 0;
                anyTranslucent |= alpha != 0xFF;
            }
        }
        return anyVisible && anyTranslucent;
    }

    const unsigned char* data_;
    const BitmapLayout& layout_;
    int shifts_[4] = {};
};

class MemoryDc {
public:
    MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {
        if (dc_ == nullptr) ThrowLastError();
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (old_ != nullptr) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HDC get() const { return dc_; }
    void Select(HGDIOBJ object) {
        const HGDIOBJ before = SelectObject(dc_, object);
        if (old_ == nullptr) old_ = before;
    }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// Every other bitmap (palettes, 16 and 24 bits, run-length compression)
// drawn by GDI into 32-bit pixels, opaque: a band of rows at a time, each
// band given to GDI as a bitmap of its own; a compressed one whole, since
// its rows cannot be found without drawing those before them.
class DrawnRows : public RowSource {
public:
    DrawnRows(const unsigned char* data, const BitmapLayout& layout, UINT bandRows) : data_(data), layout_(layout) {
        // bandRows: as many as the encoder takes at a time.
        width_ = static_cast<UINT>(layout.header.biWidth);
        height_ = Rows(layout);
        alpha_ = false;
        sectionRows_ = Compressed(layout) ? height_ : std::min(bandRows, height_);
        BITMAPINFO target{};
        target.bmiHeader.biSize = sizeof target.bmiHeader;
        target.bmiHeader.biWidth = static_cast<LONG>(width_);
        target.bmiHeader.biHeight = -static_cast<LONG>(sectionRows_);
        target.bmiHeader.biPlanes = 1;
        target.bmiHeader.biBitCount = 32;
        target.bmiHeader.biCompression = BI_RGB;
        section_.reset(CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits_, nullptr, 0));
        if (!section_ || bits_ == nullptr) ThrowLastError();
        dc_.Select(section_.get());
        if (!Compressed(layout)) MakeBandHeader();
    }

    void Fill(UINT first, UINT count, BYTE* out, std::size_t stride) override {
        if (Compressed(layout_)) {
            if (!drawnWhole_) Draw(height_, data_ + layout_.pixelsAt, reinterpret_cast<const BITMAPINFO*>(data_));
            drawnWhole_ = true;
            CopyOut(first, count, out, stride);
            return;
        }
        for (UINT part = 0; count != 0; first += part, count -= part, out += part * stride) {
            part = std::min(count, sectionRows_);
            // The band's rows as they lie in the block: from the bottom up
            // in a bitmap of positive height.
            const UINT firstStored = layout_.bottomUp ? height_ - first - part : first;
            auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bandHeader_.data());
            header->biHeight = layout_.bottomUp ? static_cast<LONG>(part) : -static_cast<LONG>(part);
            Draw(part, data_ + layout_.pixelsAt + firstStored * layout_.stride,
                 reinterpret_cast<const BITMAPINFO*>(bandHeader_.data()));
            CopyOut(0, part, out, stride);
        }
    }

private:
    // The block's header as a plain one, its masks and colours after it.
    void MakeBandHeader() {
        const BITMAPINFOHEADER& h = layout_.header;
        BITMAPINFOHEADER header = h;
        header.biSize = sizeof header;
        header.biSizeImage = 0;
        const bool bitFields = h.biCompression == BI_BITFIELDS;
        const std::size_t colours = h.biBitCount <= 8 ? std::min(layout_.colours, std::size_t{1} << h.biBitCount) : 0;
        header.biClrUsed = static_cast<DWORD>(colours);
        bandHeader_.resize(sizeof header + (bitFields ? 12 : 0) + colours * sizeof(RGBQUAD));
        unsigned char* at = bandHeader_.data();
        std::memcpy(at, &header, sizeof header);
        at += sizeof header;
        if (bitFields) {
            std::memcpy(at, layout_.masks, 12);
            at += 12;
        }
        if (colours != 0) std::memcpy(at, data_ + layout_.colourTableAt, colours * sizeof(RGBQUAD));
    }

    // Rows of the section, from first, as BGR.
    void CopyOut(UINT first, UINT count, BYTE* out, std::size_t stride) const {
        const BYTE* in = static_cast<const BYTE*>(bits_) + static_cast<std::size_t>(first) * width_ * 4;
        for (UINT y = 0; y < count; ++y, out += stride) {
            BYTE* pixelOut = out;
            for (UINT x = 0; x < width_; ++x, in += 4, pixelOut += 3) {
                pixelOut[0] = in[0];
                pixelOut[1] = in[1];
                pixelOut[2] = in[2];
            }
        }
    }

    void Draw(UINT rows, const unsigned char* pixels, const BITMAPINFO* info) {
        const int drawn = StretchDIBits(dc_.get(), 0, 0, static_cast<int>(width_), static_cast<int>(rows), 0, 0,
                                        static_cast<int>(width_), static_cast<int>(rows), pixels, info,
                                        DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        if (drawn == 0 || drawn == static_cast<int>(GDI_ERROR)) ThrowBadBitmap();
    }

    const unsigned char* data_;
    const BitmapLayout& layout_;
    UINT sectionRows_ = 0;
    MemoryDc dc_;
    UniqueGdiObject section_;
    void* bits_ = nullptr;
    std::vector<unsigned char> bandHeader_;
    bool drawnWhole_ = false;
};

UINT BandRows(std::size_t stride) { return static_cast<UINT>(std::max<std::size_t>(1, kBandBytes / stride)); }

// The image encoded as PNG into a stream in memory, a band of rows at a
// time. The caller holds COM for the thread.
ComPtr<IStream> EncodeRows(RowSource& source, WorkProgress& progress) {
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.put())));
    ComPtr<IStream> stream;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
    Check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    Check(encoder->CreateNewFrame(frame.put(), nullptr));
    Check(frame->Initialize(nullptr));
    Check(frame->SetSize(source.Width(), source.Height()));
    WICPixelFormatGUID format = source.Alpha() ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    const WICPixelFormatGUID asked = format;
    Check(frame->SetPixelFormat(&format));
    // The encoder may only offer another format; a lossless one is needed.
    if (format != asked) ThrowCode(ERROR_NOT_SUPPORTED);

    const std::size_t stride = static_cast<std::size_t>(source.Width()) * source.Channels();
    const UINT bandRows = BandRows(stride);
    std::vector<BYTE> band(stride * std::min(bandRows, source.Height()));
    progress.SetTotal(source.Height());
    for (UINT first = 0, count = 0; first < source.Height(); first += count) {
        progress.ThrowIfCancelled();
        count = std::min(bandRows, source.Height() - first);
        source.Fill(first, count, band.data(), stride);
        Check(frame->WritePixels(count, static_cast<UINT>(stride), static_cast<UINT>(stride * count), band.data()));
        progress.Advance(count);
    }
    Check(frame->Commit());
    Check(encoder->Commit());
    return stream;
}

std::shared_ptr<const ContentBytes> BytesOf(IStream& stream) {
    HGLOBAL memory = nullptr;
    Check(GetHGlobalFromStream(&stream, &memory));
    STATSTG stat{};
    Check(stream.Stat(&stat, STATFLAG_NONAME));
    const GlobalLockGuard lock(memory);
    if (lock.data() == nullptr) ThrowLastError();
    return std::make_shared<const ContentBytes>(
        std::string_view(static_cast<const char*>(lock.data()), static_cast<std::size_t>(stat.cbSize.QuadPart)));
}

}  // namespace

std::string PngInBlock(const unsigned char* data, std::size_t size) {
    std::size_t at = sizeof kPngSignature;
    if (size >= at && std::memcmp(data, kPngSignature, at) == 0) {
        while (size - at >= kChunkOverhead) {
            const std::uint32_t length = BigEndian32(data + at);
            if (length > size - at - kChunkOverhead) break;
            const bool end = std::memcmp(data + at + 4, "IEND", 4) == 0;
            at += kChunkOverhead + length;
            if (end) return std::string(reinterpret_cast<const char*>(data), at);
        }
    }
    // Not a PNG we can walk: the block as it is.
    return std::string(reinterpret_cast<const char*>(data), size);
}

std::shared_ptr<const ContentBytes> PackedBitmap::EncodeAsPng(WorkProgress& progress) {
    // COM on whichever thread converts; declared first, so that it goes last.
    const ComScope com;
    ComPtr<IStream> png;
    {
        const std::vector<unsigned char> block = std::move(block_);
        const unsigned char* data = block.data();
        const BitmapLayout layout = ReadLayout(data, block.size());
        CheckPixelsFit(block.size(), layout);
        std::unique_ptr<RowSource> rows = ThirtyTwoBitRows::Of(data, layout);
        if (!rows) rows = std::make_unique<DrawnRows>(data, layout, BandRows(layout.header.biWidth * std::size_t{3}));
        png = EncodeRows(*rows, progress);
    }
    // The bitmap is gone: only the PNG is held, once in the stream and
    // once in the document's bytes, for the moment of this copy.
    return BytesOf(*png.get());
}

}  // namespace lumarind::win32
