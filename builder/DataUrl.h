// The data URL of a file: "data:" + content type + ";base64," + CR LF + the
// Base64 lines, and its one-line form. BuildDataUrl publishes it to the text
// box: the whole text to the Tag, a bounded preview to the shown text.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "builder/TextBox.h"
#include "support/ComponentObjects.h"

namespace lumarind {

// The text box shows at most this many characters of the data URL.
inline constexpr std::size_t kPreviewLimit = 10000;

using RegistryReaderFactory = std::function<std::unique_ptr<RegistryReader>()>;

// "data:" + content type + ";base64," and, for the multi-line form, CR LF.
std::wstring DataUrlHeader(const std::wstring& contentType, bool multiLine);
// "data:" + content type + ",": the header of a percent-encoded body.
std::wstring PercentDataUrlHeader(const std::wstring& contentType);

// The registered content type for an extension (without the dot): the
// "Content Type" value of the key "." + extension; empty when there is none.
std::wstring ContentTypeFor(const std::wstring& extension, RegistryReader& registry);

// The whole multi-line data URL for a file's content and its extension
// (without the dot). Throws when any step fails. The text is made in one
// buffer: the content type is looked up first so that the Base64 lines can
// be written straight behind the header.
std::wstring ComposeDataUrl(std::string_view content, const std::wstring& extension,
                            const RegistryReaderFactory& newRegistryReader);

// The same text for a file read in pieces, each encoded straight into the
// document, which is allocated once at its full size: one byte a character
// when the content type is ASCII. A content shorter than the file's size
// (another program shortened it meanwhile) gives the text of what was read.
DocumentText ComposeDataUrl(FileContent& content, const std::wstring& extension,
                            const RegistryReaderFactory& newRegistryReader);

// The document for a file's content held once: the header for the
// extension's content type and the bytes, whose text is made only where it
// is handed on (the preview, a copy, a save).
DocumentText ComposeDocument(std::shared_ptr<const ContentBytes> bytes, const std::wstring& extension,
                             const RegistryReaderFactory& newRegistryReader);

// What the text box shows for a data URL: the first kPreviewLimit characters
// and, when more exists, a blank line and the notice.
std::wstring PreviewOf(std::wstring_view dataUrl);
std::wstring PreviewOf(TextView dataUrl);

// Composes the data URL and publishes preview and Tag together. When the
// composition fails, the text box is left exactly as it was and the error
// passes to the caller, so the window never shows one file and keeps another.
void BuildDataUrl(std::string_view content, const std::wstring& extension, TextBox& txtData,
                  const RegistryReaderFactory& newRegistryReader);
void BuildDataUrl(FileContent& content, const std::wstring& extension, TextBox& txtData,
                  const RegistryReaderFactory& newRegistryReader);
void BuildDataUrl(std::shared_ptr<const ContentBytes> bytes, const std::wstring& extension, TextBox& txtData,
                  const RegistryReaderFactory& newRegistryReader);

// Every CR LF pair removed.
std::wstring OneLineForm(std::wstring_view text);

// Applies the line-break rule to encoder output: every CR dropped, then every
// LF turned into CR LF. Text already in CR LF form is left as it is.
void NormaliseLineBreaks(std::wstring& text, std::size_t from = 0);

}  // namespace lumarind
