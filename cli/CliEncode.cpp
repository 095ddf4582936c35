#include "cli/CliEncode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "builder/DataUrl.h"
#include "cli/ContentSignature.h"
#include "cli/InputContent.h"
#include "cli/MediaType.h"
#include "cli/Output.h"
#include "cli/WebTypes.h"
#include "codecs/Base64Lines.h"
#include "codecs/Base64Stream.h"
#include "codecs/PercentEncoding.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

constexpr wchar_t kUtf8Charset[] = L"utf-8";
constexpr wchar_t kOctetStream[] = L"application/octet-stream";
constexpr wchar_t kGzip[] = L"application/gzip";

// What the header needs to know of the whole content: whether it is UTF-8
// beyond ASCII, and, when asked, how long its percent form would be.
class ContentFacts {
public:
    explicit ContentFacts(bool percentLength) : countPercentLength_(percentLength) {}
    void Add(std::string_view piece) {
        size_ += piece.size();
        utf8_.Feed(piece);
        beyondAscii_ = beyondAscii_ || HasByteFrom0x80(piece);
        if (countPercentLength_) percentLength_ += PercentEncodedLength(piece);
    }
    std::size_t Size() const { return size_; }
    bool IsUtf8() const { return utf8_.Valid(); }
    bool IsUtf8BeyondAscii() const { return beyondAscii_ && utf8_.Valid(); }
    std::size_t PercentLength() const { return percentLength_; }

private:
    bool countPercentLength_;
    std::size_t size_ = 0;
    Utf8Checker utf8_;
    bool beyondAscii_ = false;
    std::size_t percentLength_ = 0;
};

std::wstring ExtensionOf(const std::wstring& name) {
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

// -t auto: the web's own table first; then the system's registration; then
// what the content's first bytes show. A registration of "any bytes" may be
// refined by them, and a textual registration never describes compressed
// bytes (an .svgz is gzip, which no browser unpacks from a data URL).
std::wstring AutomaticType(const std::wstring& extension, const std::wstring& path, std::string_view head,
                           RegisteredTypes& registered) {
    if (std::wstring type = WebTypeForExtension(extension); !type.empty()) return type;
    std::wstring type = registered.For(extension, path);
    const std::wstring signature = TypeFromSignature(head);
    const bool generic = MediaTypeEssence(type) == kOctetStream;
    const bool compressed = signature == kGzip && IsTextualType(type);
    if (!type.empty() && !generic && !compressed) return type;
    return signature.empty() ? type : signature;
}

std::wstring ContentTypeOf(const CliOptions& options, const std::wstring& name, const std::wstring& path,
                           std::string_view head, RegisteredTypes& registered) {
    const bool automatic = options.contentType == std::wstring(kAutoType);
    if (options.contentType && !automatic) return *options.contentType;
    if (automatic) return AutomaticType(ExtensionOf(name), path, head, registered);
    return registered.For(ExtensionOf(name), path);
}

// Input is taken in slices whose text fits in the output's room: percent
// encoding writes at most three characters a byte, Base64 fewer even with
// the bytes of an unfinished line before them.
constexpr std::size_t kSliceBytes = Output::kMostAtOnce / 3;

template <typename Encode>
void WriteSlices(InputContent& content, Output& output, Encode&& encode) {
    content.Give([&](std::string_view piece) {
        for (std::size_t at = 0; at < piece.size(); at += kSliceBytes) {
            const std::string_view slice = piece.substr(at, kSliceBytes);
            char* const start = output.Space();
            output.Add(static_cast<std::size_t>(encode(slice, start) - start));
        }
    });
}

void WriteBase64(InputContent& content, bool multiLine, Output& output) {
    base64::Base64Stream stream(multiLine ? base64::Lines::kBroken : base64::Lines::kSingle);
    WriteSlices(content, output,
                [&](std::string_view slice, char* out) { return stream.Add(slice.data(), slice.size(), out); });
    char* const start = output.Space();
    output.Add(static_cast<std::size_t>(stream.Finish(start) - start));
}

void WritePercent(InputContent& content, Output& output) {
    WriteSlices(content, output, [](std::string_view slice, char* out) { return PercentEncode(slice, out); });
}

}  // namespace

std::wstring RegisteredTypes::For(const std::wstring& extension, const std::wstring& path) {
    if (extension.empty()) return {};
    std::wstring type;
    Doing("cannot look up the content type of", path, [&] {
        if (!reader_) reader_ = platform_.NewRegistryReader();
        type = ContentTypeFor(extension, *reader_);
    });
    return type;
}

void EncodeInput(const CliOptions& options, const std::wstring& path, CliPlatform& platform,
                 RegisteredTypes& registered, Output& output) {
    InputContent content(platform, path);
    const std::wstring name = path.empty() ? std::wstring() : platform.FileName(path);
    const std::wstring type = ContentTypeOf(options, name, path, content.Head(), registered);

    // Text is labelled UTF-8 when it is, unless the user says otherwise; a
    // missing type is text/plain. Base64 keeps the window's header unless
    // the type is the program's own choice.
    const bool automaticType = options.contentType == std::wstring(kAutoType);
    const bool charsetToFind = !options.charset && !HasCharsetParameter(type) &&
                               (automaticType || options.encoding != Encoding::kBase64) &&
                               (type.empty() || IsTextualType(type));
    const bool encodingToChoose = options.encoding == Encoding::kAuto && IsTextualType(type);
    ContentFacts facts(encodingToChoose);
    if (charsetToFind || encodingToChoose) content.Look([&](std::string_view piece) { facts.Add(piece); });

    const std::wstring charset =
        options.charset ? *options.charset : charsetToFind && facts.IsUtf8BeyondAscii() ? kUtf8Charset : L"";
    const std::wstring typed = WithCharset(type, charset);
    bool percent = options.encoding == Encoding::kPercent;
    if (encodingToChoose) {
        const std::size_t percentLength = PercentDataUrlHeader(typed).size() + facts.PercentLength();
        const std::size_t base64Length =
            DataUrlHeader(typed, false).size() + base64::EncodedLength(facts.Size(), base64::Lines::kSingle);
        percent = facts.IsUtf8() && percentLength < base64Length;
    }
    // The percent form is always one line.
    const bool multiLine = options.format == Format::kText && !percent;
    const std::string header = ToUtf8(percent ? PercentDataUrlHeader(typed) : DataUrlHeader(typed, multiLine));
    const Snippet snippet = SnippetAround(options.format, header, type, name);
    output.Write(snippet.before);
    if (percent) WritePercent(content, output);
    else WriteBase64(content, multiLine, output);
    output.Write(snippet.after);
}

}  // namespace lumarind::cli
