#include "cli/ContentSignature.h"

#include <cstdint>
#include <utility>

#include "support/portable/AsciiText.h"

namespace lumarind::cli {
namespace {

using namespace std::string_view_literals;

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

// The MIME Sniffing standard's white space, which it skips before the HTML
// and XML patterns: XML's and a form feed.
bool IsSniffingSpace(char c) { return IsXmlSpace(c) || c == '\f'; }

std::size_t SkipSniffingSpace(std::string_view head) {
    std::size_t at = 0;
    while (at < head.size() && IsSniffingSpace(head[at])) ++at;
    return at;
}

std::uint16_t BigEndian16(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint16_t>((At(bytes, i) << 8) | At(bytes, i + 1));
}

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

// Icons and cursors: a reserved zero, the kind (1 or 2) and a count of
// images that is not zero.
bool IsIcoOrCur(std::string_view head) {
    return head.size() >= 6 && (StartsWith(head, "\0\0\1\0"sv) || StartsWith(head, "\0\0\2\0"sv)) &&
           (At(head, 4) != 0 || At(head, 5) != 0);
}

// An Embedded OpenType font: its magic number "LP" at 34, and one of the
// three versions at 8, lest any text with those letters there be taken for
// a font.
bool IsEmbeddedOpenType(std::string_view head) {
    const std::string_view version = Slice(head, 8, 4);
    return Slice(head, 34, 2) == "LP"sv &&
           (version == "\0\0\1\0"sv || version == "\1\0\2\0"sv || version == "\2\0\2\0"sv);
}

// An sfnt (TrueType or OpenType) table directory after its version: a
// table count and the three search fields derived from it, which the
// format defines exactly. Text or a database that happens to start with a
// font's four bytes has no such thing after them.
bool IsSfntDirectory(std::string_view head) {
    const unsigned tables = BigEndian16(head, 4);
    if (head.size() < 12 || tables == 0) return false;
    unsigned power = 1, log2 = 0;
    while (power * 2 <= tables) power *= 2, ++log2;
    return BigEndian16(head, 6) == power * 16 && BigEndian16(head, 8) == log2 &&
           BigEndian16(head, 10) == tables * 16 - power * 16;
}

// A TrueType collection's header: version 1.0 or 2.0 and at least one font.
bool IsFontCollection(std::string_view head) {
    const std::uint16_t major = BigEndian16(head, 4);
    return StartsWith(head, "ttcf"sv) && (major == 1 || major == 2) && BigEndian16(head, 6) == 0 &&
           BigEndian32(head, 8) != 0;
}

// WOFF and WOFF2 name the kind of font they wrap right after their own
// signature.
bool IsWebFontFlavor(std::string_view head) {
    const std::string_view flavor = Slice(head, 4, 4);
    return flavor == "\0\1\0\0"sv || flavor == "OTTO"sv || flavor == "true"sv || flavor == "ttcf"sv;
}

std::wstring FontType(std::string_view head) {
    const std::string_view magic = Slice(head, 0, 4);
    if ((magic == "\0\1\0\0"sv || magic == "true"sv) && IsSfntDirectory(head)) return L"font/ttf";
    if (magic == "OTTO"sv && IsSfntDirectory(head)) return L"font/otf";
    if (IsFontCollection(head)) return L"font/collection";
    if (magic == "wOFF"sv && IsWebFontFlavor(head)) return L"font/woff";
    if (magic == "wOF2"sv && IsWebFontFlavor(head)) return L"font/woff2";
    return {};
}

// bzip2: "BZh", the block size digit, then a block's magic number (the
// digits of pi) or, for empty input, the end of stream's (those of the
// square root of pi).
bool IsBzip2(std::string_view head) {
    const std::uint8_t level = At(head, 3);
    const std::string_view magic = Slice(head, 4, 6);
    return StartsWith(head, "BZh"sv) && level >= '1' && level <= '9' &&
           (magic == "\x31\x41\x59\x26\x53\x59"sv || magic == "\x17\x72\x45\x38\x50\x90"sv);
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

// Ogg starts with one page per stream, each marked as a stream's
// beginning; a Theora stream among them makes it a video.
std::wstring OggType(std::string_view head) {
    for (std::size_t page = 0; Slice(head, page, 4) == "OggS"sv && (At(head, page + 5) & 2) != 0;) {
        const std::size_t segments = At(head, page + 26);
        std::size_t body = page + 27 + segments;
        if (StartsWith(Slice(head, body, 7), "\x80theora"sv)) return L"video/ogg";
        for (std::size_t k = 0; k < segments; ++k) body += At(head, page + 27 + k);
        page = body;
    }
    return L"audio/ogg";
}

// The length and value of an EBML variable-size integer at i; 0 and 0 when
// there is none.
std::pair<std::size_t, std::uint64_t> EbmlNumber(std::string_view bytes, std::size_t i) {
    const std::uint8_t first = At(bytes, i);
    std::size_t length = 1;
    while (length <= 8 && (first & (0x100 >> length)) == 0) ++length;
    if (length > 8 || i + length > bytes.size()) return {0, 0};
    std::uint64_t value = first & ((0x100 >> length) - 1);
    for (std::size_t k = 1; k < length; ++k) value = (value << 8) | At(bytes, i + k);
    return {length, value};
}

// Matroska and WebM start with an EBML header whose DocType tells them apart.
std::wstring MatroskaType(std::string_view head) {
    if (!StartsWith(head, "\x1A\x45\xDF\xA3"sv)) return {};
    const auto [sizeLength, headerSize] = EbmlNumber(head, 4);
    if (sizeLength == 0) return {};
    const std::string_view header = Slice(head, 4 + sizeLength, static_cast<std::size_t>(headerSize));
    const std::size_t docType = header.find("\x42\x82"sv);
    if (docType != std::string_view::npos) {
        const auto [length, size] = EbmlNumber(header, docType + 2);
        // An EBML string may be padded with zero bytes to its size.
        std::string_view name = Slice(header, docType + 2 + length, static_cast<std::size_t>(size));
        while (!name.empty() && name.back() == '\0') name.remove_suffix(1);
        if (length != 0 && name == "webm"sv) {
            return L"video/webm";
        }
    }
    return L"video/x-matroska";
}

// An AAC frame in an ADTS stream: sync bits, layer 0 and a sampling rate.
bool IsAdtsFrame(std::string_view head) {
    return At(head, 0) == 0xFF && (At(head, 1) & 0xF6) == 0xF0 && ((At(head, 2) >> 2) & 0x0F) < 13;
}

// An ID3v2 tag may stand before MP3 frames, ADTS frames or FLAC: what
// follows it decides, and MP3 is what it usually tags.
std::wstring TaggedAudioType(std::string_view head) {
    std::size_t end = 10 + ((std::size_t{At(head, 6)} & 0x7F) << 21 | (std::size_t{At(head, 7)} & 0x7F) << 14 |
                            (std::size_t{At(head, 8)} & 0x7F) << 7 | (std::size_t{At(head, 9)} & 0x7F));
    if ((At(head, 5) & 0x10) != 0) end += 10;
    const std::string_view audio = Slice(head, end, 4);
    if (IsAdtsFrame(audio)) return L"audio/aac";
    if (audio == "fLaC"sv) return L"audio/flac";
    return L"audio/mpeg";
}

// The tags that show an HTML document, in any case, after white space and
// followed by a space or '>'.
bool IsHtml(std::string_view head) {
    const std::size_t at = SkipSniffingSpace(head);
    for (const std::string_view tag : {"<!DOCTYPE HTML"sv, "<HTML"sv, "<HEAD"sv, "<SCRIPT"sv, "<IFRAME"sv, "<H1"sv,
                                       "<DIV"sv, "<FONT"sv, "<TABLE"sv, "<A"sv, "<STYLE"sv, "<TITLE"sv, "<B"sv,
                                       "<BODY"sv, "<BR"sv, "<P"sv, "<!--"sv}) {
        const std::string_view start = Slice(head, at, tag.size());
        if (start.size() != tag.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < tag.size() && same; ++k) same = AsciiLower(start[k]) == AsciiLower(tag[k]);
        const char next = static_cast<char>(At(head, at + tag.size()));
        if (same && (next == ' ' || next == '>')) return true;
    }
    return false;
}

// The signatures that need no more than fixed bytes at fixed places.
struct Signature {
    std::size_t at;
    std::string_view bytes;
    const wchar_t* type;
};

constexpr Signature kSignatures[] = {
    {0, "\x89PNG\r\n\x1A\n"sv, L"image/png"},
    {0, "\xFF\xD8\xFF"sv, L"image/jpeg"},
    {0, "GIF87a"sv, L"image/gif"},
    {0, "GIF89a"sv, L"image/gif"},
    {8, "WEBPVP"sv, L"image/webp"},
    {8, "WAVE"sv, L"audio/wav"},
    {8, "AVI "sv, L"video/avi"},
    {0, "%PDF-"sv, L"application/pdf"},
    {0, "%!PS-Adobe-"sv, L"application/postscript"},
    {0, "\0asm"sv, L"application/wasm"},
    {0, "PK\3\4"sv, L"application/zip"},
    {0, "PK\5\6"sv, L"application/zip"},
    {0, "\x1F\x8B\x08"sv, L"application/gzip"},
    {0, "Rar!\x1A\x07"sv, L"application/x-rar-compressed"},
    {0, ".snd"sv, L"audio/basic"},
    {0, "MThd\0\0\0\x06"sv, L"audio/midi"},
    {0, "fLaC"sv, L"audio/flac"},
};

}  // namespace

bool IsCompressedType(std::wstring_view type) {
    return type == L"application/gzip" || type == L"application/x-bzip2" || type == L"application/zip" ||
           type == L"application/x-rar-compressed";
}

std::wstring TypeFromSignature(std::string_view head) {
    head = head.substr(0, kSignatureBytes);
    const bool riff = StartsWith(head, "RIFF"sv);
    for (const Signature& signature : kSignatures) {
        // WebP, WAVE and AVI are RIFF files, told apart by their form type.
        if (signature.at == 8 && !riff) continue;
        if (Slice(head, signature.at, signature.bytes.size()) == signature.bytes) return signature.type;
    }
    if (const std::wstring font = FontType(head); !font.empty()) return font;
    if (IsBzip2(head)) return L"application/x-bzip2";
    if (IsEmbeddedOpenType(head)) return L"application/vnd.ms-fontobject";
    if (IsBmp(head)) return L"image/bmp";
    if (IsIcoOrCur(head)) return L"image/x-icon";
    if (StartsWith(head, "FORM"sv) && (Slice(head, 8, 4) == "AIFF"sv || Slice(head, 8, 4) == "AIFC"sv)) {
        return L"audio/aiff";
    }
    if (StartsWith(head, "OggS\0"sv)) return OggType(head);
    if (const std::wstring matroska = MatroskaType(head); !matroska.empty()) return matroska;
    if (StartsWith(head, "ID3"sv)) return TaggedAudioType(head);
    if (IsMp3Frame(head)) return L"audio/mpeg";
    if (IsAdtsFrame(head)) return L"audio/aac";
    if (const std::wstring media = IsoMediaType(head); !media.empty()) return media;
    if (IsSvg(head)) return L"image/svg+xml";
    if (IsHtml(head)) return L"text/html";
    if (StartsWith(head.substr(SkipSniffingSpace(head)), "<?xml"sv)) return L"text/xml";
    for (const std::string_view mark : {"\xFE\xFF"sv, "\xFF\xFE"sv, "\xEF\xBB\xBF"sv}) {
        if (StartsWith(head, mark)) return L"text/plain";
    }
    return {};
}

}  // namespace lumarind::cli
