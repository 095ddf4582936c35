#include "cli/ContentSignature.h"

#include <cstdint>

namespace lumarind::cli {
namespace {

using namespace std::string_view_literals;

bool StartsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

// Like substr, but empty past the end instead of throwing.
std::string_view Slice(std::string_view bytes, std::size_t at, std::size_t count) {
    return at < bytes.size() ? bytes.substr(at, count) : std::string_view();
}

std::uint8_t At(std::string_view bytes, std::size_t i) {
    return i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : 0;
}

std::uint32_t BigEndian32(std::string_view bytes, std::size_t i) {
    return (std::uint32_t{At(bytes, i)} << 24) | (std::uint32_t{At(bytes, i + 1)} << 16) |
           (std::uint32_t{At(bytes, i + 2)} << 8) | At(bytes, i + 3);
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// ISO base media files (MP4, AVIF) start with an "ftyp" box naming their
// major brand and the brands they are compatible with.
std::wstring IsoMediaType(std::string_view head) {
    if (Slice(head, 4, 4) != "ftyp"sv) return {};
    const std::size_t boxSize = BigEndian32(head, 0);
    if (boxSize < 16) return {};
    const std::string_view major = Slice(head, 8, 4);
    bool avif = major == "avif"sv || major == "avis"sv;
    for (std::size_t at = 16; at + 4 <= boxSize && at + 4 <= head.size(); at += 4) {
        const std::string_view brand = head.substr(at, 4);
        avif = avif || brand == "avif"sv || brand == "avis"sv;
    }
    if (avif) return L"image/avif";
    if (major == "M4A "sv) return L"audio/mp4";
    for (const std::string_view video : {"iso"sv, "mp4"sv, "avc1"sv, "M4V"sv, "dash"sv, "f4v"sv, "mp71"sv}) {
        if (StartsWith(major, video)) return L"video/mp4";
    }
    return {};
}

// An MPEG-1/2 audio layer III frame header: sync bits, layer III, a valid
// bit rate and sample rate.
bool IsMp3Frame(std::string_view head) {
    const std::uint8_t b1 = At(head, 1), b2 = At(head, 2);
    return At(head, 0) == 0xFF && (b1 & 0xE0) == 0xE0 && (b1 & 0x06) == 0x02 && (b1 & 0x18) != 0x08 &&
           (b2 >> 4) != 0x0F && (b2 >> 4) != 0 && ((b2 >> 2) & 3) != 3;
}

// A bitmap file header followed by one of the DIB header sizes.
bool IsBmp(std::string_view head) {
    if (!StartsWith(head, "BM"sv) || head.size() < 18) return false;
    const std::uint32_t dibSize = At(head, 14) | (At(head, 15) << 8) | (At(head, 16) << 16) | (std::uint32_t{At(head, 17)} << 24);
    return dibSize == 12 || dibSize == 40 || dibSize == 52 || dibSize == 56 || dibSize == 64 || dibSize == 108 ||
           dibSize == 124;
}

bool IsIco(std::string_view head) {
    return head.size() >= 6 && StartsWith(head, "\0\0\1\0"sv) && (At(head, 4) != 0 || At(head, 5) != 0);
}

// Skips what may precede an XML document's root element: a byte order
// mark, white space, the XML declaration, comments, processing
// instructions and the document type declaration.
std::size_t RootElementStart(std::string_view text) {
    std::size_t at = StartsWith(text, "\xEF\xBB\xBF"sv) ? 3 : 0;
    for (;;) {
        while (at < text.size() && IsXmlSpace(text[at])) ++at;
        const std::string_view rest = text.substr(at);
        std::size_t end = std::string_view::npos;
        if (StartsWith(rest, "<?"sv)) {
            end = rest.find("?>"sv);
            if (end != std::string_view::npos) end += 2;
        } else if (StartsWith(rest, "<!--"sv)) {
            end = rest.find("-->"sv, 4);
            if (end != std::string_view::npos) end += 3;
        } else if (StartsWith(rest, "<!DOCTYPE"sv) || StartsWith(rest, "<!doctype"sv)) {
            // An internal subset in brackets may hold '>' of its own.
            const std::size_t bracket = rest.find('[');
            const std::size_t close = rest.find('>');
            if (bracket != std::string_view::npos && bracket < close) {
                const std::size_t subsetEnd = rest.find(']', bracket);
                end = subsetEnd == std::string_view::npos ? subsetEnd : rest.find('>', subsetEnd);
            } else {
                end = close;
            }
            if (end != std::string_view::npos) end += 1;
        } else {
            return at;
        }
        if (end == std::string_view::npos) return std::string_view::npos;
        at += end;
    }
}

bool IsSvg(std::string_view head) {
    const std::size_t root = RootElementStart(head);
    if (root == std::string_view::npos) return false;
    const std::string_view element = head.substr(root);
    if (!StartsWith(element, "<svg"sv) || element.size() < 5) return false;
    const char next = element[4];
    return IsXmlSpace(next) || next == '>' || next == '/';
}

}  // namespace

std::wstring TypeFromSignature(std::string_view head) {
    head = head.substr(0, kSignatureBytes);
    if (StartsWith(head, "\x89PNG\r\n\x1A\n"sv)) return L"image/png";
    if (StartsWith(head, "\xFF\xD8\xFF"sv)) return L"image/jpeg";
    if (StartsWith(head, "GIF87a"sv) || StartsWith(head, "GIF89a"sv)) return L"image/gif";
    if (StartsWith(head, "RIFF"sv) && Slice(head, 8, 4) == "WEBP"sv) return L"image/webp";
    if (StartsWith(head, "RIFF"sv) && Slice(head, 8, 4) == "WAVE"sv) return L"audio/wav";
    if (IsBmp(head)) return L"image/bmp";
    if (IsIco(head)) return L"image/x-icon";
    if (StartsWith(head, "%PDF-"sv)) return L"application/pdf";
    if (StartsWith(head, "wOFF"sv)) return L"font/woff";
    if (StartsWith(head, "wOF2"sv)) return L"font/woff2";
    if (StartsWith(head, "\0\1\0\0"sv) || StartsWith(head, "true"sv)) return L"font/ttf";
    if (StartsWith(head, "OTTO"sv)) return L"font/otf";
    if (StartsWith(head, "\0asm"sv)) return L"application/wasm";
    if (StartsWith(head, "PK\3\4"sv) || StartsWith(head, "PK\5\6"sv)) return L"application/zip";
    if (StartsWith(head, "\x1F\x8B\x08"sv)) return L"application/gzip";
    if (StartsWith(head, "OggS"sv)) return L"audio/ogg";
    if (StartsWith(head, "ID3"sv) || IsMp3Frame(head)) return L"audio/mpeg";
    if (const std::wstring media = IsoMediaType(head); !media.empty()) return media;
    if (IsSvg(head)) return L"image/svg+xml";
    return {};
}

}  // namespace lumarind::cli
