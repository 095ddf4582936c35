#include "cli/CliEncode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "builder/DataUrl.h"
#include "builder/PercentEncoding.h"
#include "cli/ContentSignature.h"
#include "cli/InputContent.h"
#include "cli/MediaType.h"
#include "cli/WebTypes.h"
#include "support/portable/Base64Lines.h"
#include "support/portable/Base64Stream.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

// Base64 text goes to the system in whole mebibytes at offsets that are
// multiples of one: the kernel then fills whole pages of large folios
// instead of patching the edges of partial ones (a third less system time).
constexpr std::size_t kWriteAlignment = std::size_t{1} << 20;
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

// Each piece is Base64-encoded behind the one before. The text is encoded
// a line or two past the next aligned offset, written up to it, and the
// rest kept for the next write.
void WriteBase64(InputContent& content, bool multiLine, Output& output) {
    const base64::Lines lines = multiLine ? base64::Lines::kBroken : base64::Lines::kSingle;
    const std::size_t lineCharacters = base64::kLineLength + (multiLine ? 2 : 0);
    base64::Base64Stream stream(lines);
    std::vector<char> text(kWriteAlignment + base64::Base64Stream::MostCharacters(2 * base64::kBytesPerLine));
    std::size_t held = 0;
    content.Give([&](std::string_view piece) {
        while (!piece.empty()) {
            const std::uint64_t boundary =
                (output.Written() + held) / kWriteAlignment * kWriteAlignment + kWriteAlignment;
            const std::size_t room = static_cast<std::size_t>(boundary - output.Written()) - held;
            const std::size_t take = std::min(piece.size(), (room / lineCharacters + 1) * base64::kBytesPerLine);
            held = static_cast<std::size_t>(stream.Add(piece.data(), take, text.data() + held) - text.data());
            piece.remove_prefix(take);
            if (output.Written() + held >= boundary) {
                const std::size_t ready = static_cast<std::size_t>(boundary - output.Written());
                output.Write({text.data(), ready});
                held -= ready;
                std::memmove(text.data(), text.data() + ready, held);
            }
        }
    });
    held = static_cast<std::size_t>(stream.Finish(text.data() + held) - text.data());
    if (held != 0) output.Write({text.data(), held});
}

void WritePercent(InputContent& content, Output& output) {
    std::vector<char> text;
    content.Give([&](std::string_view piece) {
        if (text.size() < 3 * piece.size()) text.resize(3 * piece.size());
        const char* end = PercentEncode(piece, text.data());
        output.Write({text.data(), static_cast<std::size_t>(end - text.data())});
    });
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
