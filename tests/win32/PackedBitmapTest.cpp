// Bitmaps as other programs put them on the clipboard or in a drag, sound
// and malformed: each is encoded or refused with an error, never read past
// its block, never a crash.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/DocumentText.h"
#include "support/Error.h"
#include "support/WorkProgress.h"
#include "support/win32/ClipboardImage.h"

namespace lumarind {
namespace {

using Block = std::vector<unsigned char>;

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    return header;
}

template <typename T>
void Append(Block& block, const T& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    block.insert(block.end(), bytes, bytes + sizeof value);
}

// The header, then extra bytes (masks, colours) and pixel bytes, all 0x5A
// unless given.
Block Packed(const BITMAPINFOHEADER& header, std::size_t tail) {
    Block block;
    Append(block, header);
    block.resize(block.size() + tail, 0x5A);
    return block;
}

std::size_t Stride(LONG width, WORD bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

// A sound bitmap: its colours, if it has any, then every row.
Block Sound(LONG width, LONG height, WORD bits) {
    const std::size_t colours = bits <= 8 ? (std::size_t{1} << bits) * 4 : 0;
    return Packed(Header(width, height, bits), colours + Stride(width, bits) * static_cast<std::size_t>(std::abs(height)));
}

enum class Outcome { kEncoded, kRefused };

struct Case {
    const char* name;
    Block block;
    Outcome outcome;
};

BITMAPINFOHEADER With(BITMAPINFOHEADER header, DWORD BITMAPINFOHEADER::*field, DWORD value) {
    header.*field = value;
    return header;
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    const auto add = [&](const char* name, Block block, Outcome outcome) {
        cases.push_back({name, std::move(block), outcome});
    };
    for (const WORD bits : {1, 4, 8, 16, 24, 32}) {
        // Three pixels a row: no depth fills its rows to four bytes exactly.
        add("3x2 bottom-up", Sound(3, 2, bits), Outcome::kEncoded);
        add("3x2 top-down", Sound(3, -2, bits), Outcome::kEncoded);
        add("1x1", Sound(1, 1, bits), Outcome::kEncoded);
        add("5x1 one row", Sound(5, 1, bits), Outcome::kEncoded);
        Block shortOfRow = Sound(3, 2, bits);
        shortOfRow.pop_back();
        add("a row a byte short", shortOfRow, Outcome::kRefused);
    }
    add("shorter than its header", Block(sizeof(BITMAPINFOHEADER) - 1, 0), Outcome::kRefused);
    add("empty", Block{}, Outcome::kRefused);
    add("header size past the block", Packed(With(Header(2, 2, 32), &BITMAPINFOHEADER::biSize, 4096), 16), Outcome::kRefused);
    add("header size of an OS/2 core header", Packed(With(Header(2, 2, 32), &BITMAPINFOHEADER::biSize, 12), 16), Outcome::kRefused);
    add("header size huge", Packed(With(Header(2, 2, 32), &BITMAPINFOHEADER::biSize, 0xFFFFFFFF), 16), Outcome::kRefused);
    add("no width", Packed(Header(0, 2, 32), 16), Outcome::kRefused);
    add("negative width", Packed(Header(-2, 2, 32), 16), Outcome::kRefused);
    add("no height", Packed(Header(2, 0, 32), 16), Outcome::kRefused);
    add("height the largest", Packed(Header(2, 0x7FFFFFFF, 32), 16), Outcome::kRefused);
    add("height the most negative", Packed(Header(2, static_cast<LONG>(0x80000000u), 32), 16), Outcome::kRefused);
    // 0x40000 rows of 0x40000 pixels: 2^38 bytes, 0 in 32 bits.
    add("rows times stride past 32 bits", Packed(Header(0x40000, 0x40000, 32), 64), Outcome::kRefused);
    add("rows times stride past 32 bits, 24-bit", Packed(Header(0x40000, 0x40000, 24), 64), Outcome::kRefused);
    add("no bits a pixel", Packed(Header(2, 2, 0), 64), Outcome::kRefused);
    add("2 bits a pixel", Packed(Header(2, 2, 2), 64 + 16), Outcome::kRefused);
    add("65535 bits a pixel", Packed(Header(2, 2, 65535), 64), Outcome::kRefused);
    add("colours used huge", Packed(With(Header(2, 2, 8), &BITMAPINFOHEADER::biClrUsed, 0xFFFFFFFF), 1024 + 8), Outcome::kRefused);
    add("colours used past the block", Packed(With(Header(2, 2, 8), &BITMAPINFOHEADER::biClrUsed, 300), 1024 + 8), Outcome::kRefused);
    add("24-bit with a colour table", Packed(With(Header(2, 2, 24), &BITMAPINFOHEADER::biClrUsed, 3), 12 + 16), Outcome::kEncoded);
    add("8-bit with fewer colours", Packed(With(Header(2, 2, 8), &BITMAPINFOHEADER::biClrUsed, 2), 8 + 8), Outcome::kEncoded);
    add("image size lies, uncompressed", Packed(With(Header(2, 2, 32), &BITMAPINFOHEADER::biSizeImage, 0xFFFFFFFF), 16), Outcome::kEncoded);
    add("unknown compression", Packed(Header(2, 2, 32, 99), 16), Outcome::kRefused);
    add("JPEG inside", Packed(Header(2, 2, 0, BI_JPEG), 64), Outcome::kRefused);
    {
        Block masks565 = Packed(Header(3, 2, 16, BI_BITFIELDS), 0);
        for (const DWORD mask : {DWORD{0xF800}, DWORD{0x07E0}, DWORD{0x001F}}) Append(masks565, mask);
        masks565.resize(masks565.size() + Stride(3, 16) * 2, 0x5A);
        add("16-bit 5-6-5 masks", masks565, Outcome::kEncoded);
        Block noMasks = Packed(Header(3, 2, 16, BI_BITFIELDS), 8);
        add("bit fields without their masks", noMasks, Outcome::kRefused);
        Block masks32 = Packed(Header(3, 2, 32, BI_BITFIELDS), 0);
        for (const DWORD mask : {DWORD{0xFF}, DWORD{0xFF00}, DWORD{0xFF0000}}) Append(masks32, mask);
        masks32.resize(masks32.size() + 4 * 3 * 2, 0x5A);
        add("32-bit masks as RGB", masks32, Outcome::kEncoded);
        Block zeroMasks32 = Packed(Header(3, 2, 32, BI_BITFIELDS), 12 + 4 * 3 * 2);
        std::memset(zeroMasks32.data() + sizeof(BITMAPINFOHEADER), 0, 12);
        add("32-bit masks all zero", zeroMasks32, Outcome::kEncoded);
        // BITMAPV2INFOHEADER and BITMAPV3INFOHEADER hold their masks themselves.
        const auto maskedHeader = [](WORD bits, std::initializer_list<DWORD> masks, std::size_t pixels) {
            BITMAPINFOHEADER header = Header(3, 2, bits, BI_BITFIELDS);
            header.biSize = static_cast<DWORD>(sizeof header + masks.size() * sizeof(DWORD));
            Block block = Packed(header, 0);
            for (const DWORD mask : masks) Append(block, mask);
            block.resize(block.size() + pixels, 0x5A);
            return block;
        };
        add("16-bit masks in a V2 header", maskedHeader(16, {0xF800, 0x07E0, 0x001F}, Stride(3, 16) * 2), Outcome::kEncoded);
        add("32-bit masks in a V3 header", maskedHeader(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 4 * 3 * 2), Outcome::kEncoded);
    }
    {
        // Two rows of four pixels of colour 1, then the end of the bitmap.
        const Block rle = {4, 1, 0, 0, 4, 1, 0, 0, 0, 1};
        const auto rle8 = [&](LONG width, LONG height, DWORD sizeImage, std::size_t given) {
            Block block = Packed(With(Header(width, height, 8, BI_RLE8), &BITMAPINFOHEADER::biSizeImage, sizeImage), 256 * 4);
            Block pixels = rle;
            pixels.resize(given, 0);
            block.insert(block.end(), pixels.begin(), pixels.end());
            return block;
        };
        add("RLE8", rle8(4, 2, 10, 10), Outcome::kEncoded);
        add("RLE8 without its size", rle8(4, 2, 0, 10), Outcome::kRefused);
        add("RLE8 whose size passes the block", rle8(4, 2, 4096, 10), Outcome::kRefused);
        add("RLE8 top-down", rle8(4, -2, 10, 10), Outcome::kRefused);
    }
    return cases;
}

bool IsPng(const ContentBytes& bytes) {
    const std::string_view text = bytes.View();
    return text.size() > 8 && text.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8);
}

TEST(PackedBitmapTest, EncodesEverySoundBitmapAndRefusesEveryMalformedOneWithAnError) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        // The copy is exactly as long as the block: past its end is no man's land.
        win32::PackedBitmap bitmap(c.block.data(), c.block.size());
        WorkProgress progress;
        try {
            const auto png = bitmap.EncodeAsPng(progress);
            EXPECT_EQ(c.outcome, Outcome::kEncoded);
            EXPECT_TRUE(IsPng(*png));
        } catch (const Error& error) {
            EXPECT_EQ(c.outcome, Outcome::kRefused) << error.number();
        }
    }
}

TEST(PackedBitmapTest, StopsBeforeItsFirstBandWhenCancelled) {
    const Block block = Sound(64, 64, 24);
    win32::PackedBitmap bitmap(block.data(), block.size());
    WorkProgress progress;
    progress.Cancel();
    try {
        bitmap.EncodeAsPng(progress);
        ADD_FAILURE() << "encoded although cancelled";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), errors::kCancelled);
    }
}

}  // namespace
}  // namespace lumarind
