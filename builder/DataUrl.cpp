#include "builder/DataUrl.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "codecs/Base64Lines.h"
#include "codecs/Base64Stream.h"
#include "common/UserTexts.h"
#include "support/SupportFunctions.h"
#include "support/TextSlices.h"
#include "support/portable/OneLine.h"

namespace lumarind {
namespace {

constexpr std::wstring_view kScheme = L"data:";
constexpr std::wstring_view kBase64Marker = L";base64,";
constexpr std::wstring_view kLineBreak = L"\r\n";
constexpr wchar_t kContentTypeValue[] = L"Content Type";
// Bytes read per piece: whole lines that are also whole pages (4096 lines
// of 57 bytes are 57 pages), small enough to stay in the cache.
constexpr std::size_t kPieceBytes = base64::kBytesPerLine * 4096;

// True when removing every CR and then turning every LF into CR LF would give
// back the same text: each CR is followed by LF and each LF follows a CR.
bool IsInCRLFForm(std::wstring_view text) {
    // Counting instead of branching lets the compiler vectorise the scan:
    // every CR is followed by LF and every LF follows a CR exactly when
    // both are as many as the CR LF pairs. 32-bit counters per block keep
    // the vector lanes as narrow as the characters.
    if (text.empty()) return true;
    constexpr std::size_t kBlock = 1u << 16;
    const wchar_t* c = text.data();
    const std::size_t last = text.size() - 1;
    for (std::size_t start = 0; start < last; start += kBlock) {
        const std::size_t end = last - start < kBlock ? last : start + kBlock;
        std::uint32_t carriageReturns = 0, lineFeeds = 0, pairs = 0;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint32_t cr = c[i] == L'\r';
            carriageReturns += cr;
            lineFeeds += c[i + 1] == L'\n';
            pairs += cr & (c[i + 1] == L'\n');
        }
        if (carriageReturns != pairs || lineFeeds != pairs) return false;
    }
    // Only the first character can be an LF that no CR precedes; a CR at the
    // very end has no LF to follow it.
    return c[0] != L'\n' && c[last] != L'\r';
}

}  // namespace

std::wstring ContentTypeFor(const std::wstring& extension, RegistryReader& registry) {
    std::int32_t scratch = 0;
    return registry.ReadValue(kHkeyClassesRoot, L"." + extension, kContentTypeValue, 0, scratch);
}

std::wstring DataUrlHeader(const std::wstring& contentType, bool multiLine) {
    std::wstring header;
    header.reserve(kScheme.size() + contentType.size() + kBase64Marker.size() + kLineBreak.size());
    header.append(kScheme).append(contentType).append(kBase64Marker);
    if (multiLine) header.append(kLineBreak);
    return header;
}

std::wstring PercentDataUrlHeader(const std::wstring& contentType) {
    std::wstring header;
    header.reserve(kScheme.size() + contentType.size() + 1);
    header.append(kScheme).append(contentType).append(1, L',');
    return header;
}

void NormaliseLineBreaks(std::wstring& text, std::size_t from) {
    if (IsInCRLFForm(std::wstring_view(text).substr(from))) return;
    std::wstring normalised(text, 0, from);
    normalised.reserve(text.size() + text.size() / 32);
    for (const wchar_t c : std::wstring_view(text).substr(from)) {
        if (c == L'\r') continue;
        if (c == L'\n') normalised += kLineBreak;
        else normalised += c;
    }
    text.swap(normalised);
}

std::wstring ComposeDataUrl(std::string_view content, const std::wstring& extension,
                            const RegistryReaderFactory& newRegistryReader) {
    std::wstring dataUrl = DataUrlHeader(ContentTypeFor(extension, *newRegistryReader()), true);
    const std::size_t bodyStart = dataUrl.size();
    tsBase64EncodeAppend(dataUrl, content, kBase64LineForm);
    NormaliseLineBreaks(dataUrl, bodyStart);
    tsTrimCRLFFrom(dataUrl, bodyStart);
    return dataUrl;
}

DocumentText ComposeDataUrl(FileContent& content, const std::wstring& extension,
                            const RegistryReaderFactory& newRegistryReader) {
    const std::wstring header = DataUrlHeader(ContentTypeFor(extension, *newRegistryReader()), true);
    const std::uint64_t size = content.Size();
    if (size > SIZE_MAX / 3) throw std::bad_alloc();  // its text would not fit in memory
    DocumentText text = DocumentText::Ascii(header.size() + base64::EncodedLength(size, base64::Lines::kBroken));
    // A header beyond ASCII is written as '?' here; the text is widened below.
    char* out = text.AsciiData();
    for (const wchar_t c : header) *out++ = static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?';

    base64::Base64Stream stream(base64::Lines::kBroken);
    std::unique_ptr<char[]> piece(new char[kPieceBytes]);
    for (std::uint64_t left = size; left != 0;) {
        const std::size_t read = content.Read(piece.get(), left < kPieceBytes ? left : kPieceBytes);
        if (read == 0) break;
        out = stream.Add(piece.get(), read, out);
        left -= read;
    }
    out = stream.Finish(out);
    text.ShrinkAscii(static_cast<std::size_t>(out - text.AsciiData()));
    if (IsAscii(header)) return text;

    const std::string_view body = text.View().Ascii().substr(header.size());
    std::wstring wide = header;
    wide.append(body.begin(), body.end());
    return DocumentText(std::move(wide));
}

DocumentText ComposeDocument(std::shared_ptr<const ContentBytes> bytes, const std::wstring& extension,
                             const RegistryReaderFactory& newRegistryReader) {
    return DocumentText(EncodedText{DataUrlHeader(ContentTypeFor(extension, *newRegistryReader()), true),
                                    std::move(bytes)});
}

std::wstring PreviewOf(TextView dataUrl) {
    if (dataUrl.Encoded() == nullptr && !dataUrl.IsNarrow()) return PreviewOf(dataUrl.Wide());
    // One character past the limit is enough to tell that more exists.
    return PreviewOf(PrefixOf(dataUrl, kPreviewLimit + 1));
}

std::wstring PreviewOf(std::wstring_view dataUrl) {
    if (dataUrl.size() <= kPreviewLimit) return std::wstring(dataUrl);
    std::wstring preview(dataUrl.substr(0, kPreviewLimit));
    preview.append(kLineBreak).append(kLineBreak).append(texts::kTruncationNotice);
    return preview;
}

void BuildDataUrl(std::string_view content, const std::wstring& extension, TextBox& txtData,
                  const RegistryReaderFactory& newRegistryReader) {
    std::wstring dataUrl = ComposeDataUrl(content, extension, newRegistryReader);
    const std::wstring preview = PreviewOf(dataUrl);
    txtData.SetText(preview);
    txtData.SetTag(std::move(dataUrl));
}

void BuildDataUrl(FileContent& content, const std::wstring& extension, TextBox& txtData,
                  const RegistryReaderFactory& newRegistryReader) {
    DocumentText dataUrl = ComposeDataUrl(content, extension, newRegistryReader);
    const std::wstring preview = PreviewOf(dataUrl.View());
    txtData.SetText(preview);
    txtData.SetDocument(std::move(dataUrl));
}

void BuildDataUrl(std::shared_ptr<const ContentBytes> bytes, const std::wstring& extension, TextBox& txtData,
                  const RegistryReaderFactory& newRegistryReader) {
    DocumentText dataUrl = ComposeDocument(std::move(bytes), extension, newRegistryReader);
    const std::wstring preview = PreviewOf(dataUrl.View());
    txtData.SetText(preview);
    txtData.SetDocument(std::move(dataUrl));
}

std::wstring OneLineForm(std::wstring_view text) {
    std::wstring oneLine(oneline::Length(text), L'\0');
    oneline::Copy(text, oneLine.data());
    return oneLine;
}

}  // namespace lumarind
