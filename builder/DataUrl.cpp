#include "builder/DataUrl.h"

#include <string>
#include <string_view>

#include "common/UserTexts.h"
#include "support/SupportFunctions.h"

namespace lumarind {
namespace {

constexpr std::wstring_view kScheme = L"data:";
constexpr std::wstring_view kBase64Marker = L";base64,";
constexpr std::wstring_view kLineBreak = L"\r\n";
constexpr wchar_t kContentTypeValue[] = L"Content Type";

// True when removing every CR and then turning every LF into CR LF would give
// back the same text: each CR is followed by LF and each LF follows a CR.
bool IsInCRLFForm(std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (i + 1 == text.size() || text[i + 1] != L'\n') return false;
            ++i;
        } else if (text[i] == L'\n') {
            return false;
        }
    }
    return true;
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

void NormaliseLineBreaks(std::wstring& text) {
    if (IsInCRLFForm(text)) return;
    std::wstring normalised;
    normalised.reserve(text.size() + text.size() / 32);
    for (const wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n') normalised += kLineBreak;
        else normalised += c;
    }
    text.swap(normalised);
}

std::wstring ComposeDataUrl(std::string_view content, const std::wstring& extension,
                            const RegistryReaderFactory& newRegistryReader) {
    std::wstring base64 = tsBase64Encode(content, kBase64LineForm);
    NormaliseLineBreaks(base64);
    base64 = tsTrimCRLF(std::move(base64));
    const std::wstring contentType = ContentTypeFor(extension, *newRegistryReader());

    std::wstring dataUrl = DataUrlHeader(contentType, true);
    dataUrl.reserve(dataUrl.size() + base64.size());
    dataUrl.append(base64);
    return dataUrl;
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

std::wstring OneLineForm(std::wstring_view text) {
    std::wstring oneLine;
    oneLine.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t found; (found = text.find(kLineBreak, from)) != std::wstring_view::npos;
         from = found + kLineBreak.size()) {
        oneLine.append(text.substr(from, found - from));
    }
    oneLine.append(text.substr(from));
    return oneLine;
}

}  // namespace lumarind
