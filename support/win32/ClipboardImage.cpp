#include "support/win32/ClipboardImage.h"

#include <windows.h>
#include <objidl.h>
#include <wincodec.h>

#include <cstdint>
#include <cstring>
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

// Pixels ready for the encoder: rows from the top, BGRA or BGR.
struct Pixels {
    UINT width = 0;
    UINT height = 0;
    bool alpha = false;
    std::vector<BYTE> bytes;
    UINT Stride() const { return width * (alpha ? 4 : 3); }
};

struct BitmapLayout {
    BITMAPINFOHEADER header{};
    DWORD masks[4] = {};  // red, green, blue, alpha
    std::size_t pixelsAt = 0;
    std::size_t stride = 0;
    bool bottomUp = true;
};

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
    if (h.biSize >= sizeof(BITMAPV4HEADER)) {
        BITMAPV4HEADER v4;
        std::memcpy(&v4, data, sizeof v4);
        layout.masks[0] = v4.bV4RedMask;
        layout.masks[1] = v4.bV4GreenMask;
        layout.masks[2] = v4.bV4BlueMask;
        layout.masks[3] = v4.bV4AlphaMask;
    } else if (h.biCompression == BI_BITFIELDS) {
        if (size < at + 12) ThrowBadBitmap();
        std::memcpy(layout.masks, data + at, 12);
        at += 12;
    }
    std::size_t colours = h.biClrUsed;
    if (colours == 0 && h.biBitCount <= 8) colours = std::size_t{1} << h.biBitCount;
    at += colours * sizeof(RGBQUAD);
    layout.pixelsAt = at;
    layout.bottomUp = h.biHeight > 0;
    layout.stride = ((static_cast<std::size_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    // JPEG and PNG inside a bitmap header are for printers only.
    if (layout.stride == 0 || h.biCompression == BI_JPEG || h.biCompression == BI_PNG) ThrowBadBitmap();
    return layout;
}

UINT Rows(const BitmapLayout& layout) {
    return static_cast<UINT>(layout.header.biHeight < 0 ? -layout.header.biHeight : layout.header.biHeight);
}

// A mask of eight bits in a row, as 32-bit pixels have them: its shift.
bool ByteShift(DWORD mask, int& shift) {
    for (shift = 0; shift <= 24; shift += 8) {
        if (mask == DWORD{0xFF} << shift) return true;
    }
    return false;
}

// 32-bit pixels read straight, so that their alpha survives: GDI drops it.
bool ReadThirtyTwoBit(const unsigned char* data, std::size_t size, const BitmapLayout& layout, Pixels& pixels) {
    const BITMAPINFOHEADER& h = layout.header;
    if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)) return false;
    DWORD masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    if (h.biCompression == BI_BITFIELDS) {
        std::memcpy(masks, layout.masks, sizeof(DWORD) * 3);
        // Without a header that names one, the byte left over is alpha.
        masks[3] = h.biSize >= sizeof(BITMAPV4HEADER) ? layout.masks[3] : ~(masks[0] | masks[1] | masks[2]);
    } else if (h.biSize >= sizeof(BITMAPV4HEADER) && layout.masks[3] != 0) {
        masks[3] = layout.masks[3];
    }
    int shifts[4];
    for (int c = 0; c < 3; ++c) {
        if (!ByteShift(masks[c], shifts[c])) return false;
    }
    const bool hasAlphaByte = ByteShift(masks[3], shifts[3]);
    const UINT rows = Rows(layout);
    if (layout.pixelsAt > size || (size - layout.pixelsAt) / layout.stride < rows) ThrowBadBitmap();

    pixels.width = static_cast<UINT>(h.biWidth);
    pixels.height = rows;
    // An alpha byte that is 0 everywhere is the reserved byte of an opaque
    // bitmap, as most programs write one; 255 everywhere needs no channel.
    bool anyVisible = false, anyTranslucent = false;
    if (hasAlphaByte) {
        for (UINT y = 0; y < rows; ++y) {
            const unsigned char* row = data + layout.pixelsAt + y * layout.stride;
            for (UINT x = 0; x < pixels.width; ++x) {
                DWORD pixel;
                std::memcpy(&pixel, row + 4 * x, 4);
                const DWORD alpha = (pixel >> shifts[3]) & 0xFF;
                anyVisible |= alpha != 0;
                anyTranslucent |= alpha != 0xFF;
            }
        }
    }
    pixels.alpha = anyVisible && anyTranslucent;
    const UINT channels = pixels.alpha ? 4 : 3;
    pixels.bytes.resize(static_cast<std::size_t>(pixels.Stride()) * rows);
    for (UINT y = 0; y < rows; ++y) {
        const UINT from = layout.bottomUp ? rows - 1 - y : y;
        const unsigned char* row = data + layout.pixelsAt + from * layout.stride;
        BYTE* out = pixels.bytes.data() + static_cast<std::size_t>(y) * pixels.Stride();
        for (UINT x = 0; x < pixels.width; ++x, out += channels) {
            DWORD pixel;
            std::memcpy(&pixel, row + 4 * x, 4);
            out[0] = static_cast<BYTE>(pixel >> shifts[2]);
            out[1] = static_cast<BYTE>(pixel >> shifts[1]);
            out[2] = static_cast<BYTE>(pixel >> shifts[0]);
            if (pixels.alpha) out[3] = static_cast<BYTE>(pixel >> shifts[3]);
        }
    }
    return true;
}

// Every other bitmap (palettes, 16 and 24 bits, run-length compression)
// drawn by GDI into 32-bit pixels, opaque.
void ReadThroughGdi(const unsigned char* data, std::size_t size, const BitmapLayout& layout, Pixels& pixels) {
    const UINT rows = Rows(layout);
    if (layout.pixelsAt > size) ThrowBadBitmap();
    if (layout.header.biCompression != BI_RLE8 && layout.header.biCompression != BI_RLE4 &&
        (size - layout.pixelsAt) / layout.stride < rows) {
        ThrowBadBitmap();
    }
    pixels.width = static_cast<UINT>(layout.header.biWidth);
    pixels.height = rows;
    pixels.alpha = false;

    BITMAPINFO target{};
    target.bmiHeader.biSize = sizeof target.bmiHeader;
    target.bmiHeader.biWidth = static_cast<LONG>(pixels.width);
    target.bmiHeader.biHeight = -static_cast<LONG>(rows);
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const UniqueGdiObject section(CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || bits == nullptr) ThrowLastError();
    const HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) ThrowLastError();
    const HGDIOBJ old = SelectObject(dc, section.get());
    const int drawn = StretchDIBits(dc, 0, 0, static_cast<int>(pixels.width), static_cast<int>(rows), 0, 0,
                                    static_cast<int>(pixels.width), static_cast<int>(rows), data + layout.pixelsAt,
                                    reinterpret_cast<const BITMAPINFO*>(data), DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    if (drawn == 0 || drawn == GDI_ERROR) ThrowBadBitmap();

    pixels.bytes.resize(static_cast<std::size_t>(pixels.Stride()) * rows);
    const auto* in = static_cast<const BYTE*>(bits);
    BYTE* out = pixels.bytes.data();
    for (std::size_t i = 0, n = static_cast<std::size_t>(pixels.width) * rows; i < n; ++i, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
}

std::string EncodePng(Pixels& pixels) {
    const ComScope com;
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
    Check(frame->SetSize(pixels.width, pixels.height));
    WICPixelFormatGUID format = pixels.alpha ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    const WICPixelFormatGUID asked = format;
    Check(frame->SetPixelFormat(&format));
    // The encoder may only offer another format; a lossless one is needed.
    if (format != asked) ThrowCode(ERROR_NOT_SUPPORTED);
    Check(frame->WritePixels(pixels.height, pixels.Stride(), static_cast<UINT>(pixels.bytes.size()),
                             pixels.bytes.data()));
    Check(frame->Commit());
    Check(encoder->Commit());
    pixels.bytes = {};

    HGLOBAL memory = nullptr;
    Check(GetHGlobalFromStream(stream.get(), &memory));
    STATSTG stat{};
    Check(stream->Stat(&stat, STATFLAG_NONAME));
    const GlobalLockGuard lock(memory);
    if (lock.data() == nullptr) ThrowLastError();
    return std::string(static_cast<const char*>(lock.data()), static_cast<std::size_t>(stat.cbSize.QuadPart));
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

std::string EncodeBitmapAsPng(const unsigned char* data, std::size_t size) {
    const BitmapLayout layout = ReadLayout(data, size);
    Pixels pixels;
    if (!ReadThirtyTwoBit(data, size, layout, pixels)) ReadThroughGdi(data, size, layout, pixels);
    return EncodePng(pixels);
}

}  // namespace lumarind::win32
