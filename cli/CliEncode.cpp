#include "cli/CliEncode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "builder/DataUrl.h"
#include "cli/BrowserLimits.h"
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

// Where each format puts the data URL.
PercentPlace PlaceOf(Format format) {
    switch (format) {
    case Format::kCss: return PercentPlace::kCssString;
    case Format::kHtml: return PercentPlace::kHtmlAttribute;
    case Format::kMarkdown: return PercentPlace::kMarkdown;
    case Format::kText:
    case Format::kLine: break;
    }
    return PercentPlace::kBareUrl;
}

// What the header needs to know of the whole content: whether it is UTF-8
// beyond ASCII, and, when asked, how long its percent form would be.
class ContentFacts {
public:
    ContentFacts(bool percentLength, PercentPlace place)
        : countPercentLength_(percentLength), place_(place), spaceKept_(IsKeptInPercentForm(place, ' ')) {}
    void Add(std::string_view piece) {
        size_ += piece.size();
        utf8_.Feed(piece);
        beyondAscii_ = beyondAscii_ || HasByteFrom0x80(piece);
        zeroByte_ = zeroByte_ || piece.find('\0') != std::string_view::npos;
        if (countPercentLength_) {
            percentLength_ += PercentEncodedLength(place_, piece);
            if (spaceKept_) trailingSpaces_ = PercentTrailingSpaces(trailingSpaces_, piece);
        }
    }
    std::size_t Size() const { return size_; }
    bool IsUtf8() const { return utf8_.Valid(); }
    bool IsUtf8BeyondAscii() const { return beyondAscii_ && utf8_.Valid(); }
    std::size_t PercentLength() const { return percentLength_ + 2 * trailingSpaces_; }
    bool HasZeroByte() const { return zeroByte_; }

private:
    bool countPercentLength_;
    PercentPlace place_;
    bool spaceKept_;
    std::size_t size_ = 0;
    Utf8Checker utf8_;
    bool beyondAscii_ = false;
    bool zeroByte_ = false;
    std::size_t percentLength_ = 0;
    std::size_t trailingSpaces_ = 0;
};

std::wstring ExtensionOf(const std::wstring& name) {
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

// -t auto: the web's own table first; then the system's registration; then
// what the content's first bytes show. A registration of "any bytes" may be
// refined by them, and a textual type from either table never describes
// compressed bytes (an .svgz is gzip, which no browser unpacks from a data
// URL, and so is an .svg or .json that was compressed and kept its name).
std::wstring AutomaticType(const std::wstring& extension, const std::wstring& path, std::string_view head,
                           RegisteredTypes& registered) {
    const std::wstring signature = TypeFromSignature(head);
    const bool compressed = IsCompressedType(signature);
    if (std::wstring type = WebTypeForExtension(extension); !type.empty() && !(compressed && IsTextualType(type))) {
        return type;
    }
    std::wstring type = registered.For(extension, path);
    const bool generic = MediaTypeEssence(type) == kOctetStream;
    if (!type.empty() && !generic && !(compressed && IsTextualType(type))) return type;
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

// Returns how many bytes of input it took.
template <typename Encode>
std::size_t WriteSlices(InputContent& content, Output& output, Encode&& encode) {
    std::size_t taken = 0;
    content.Give([&](std::string_view piece) {
        taken += piece.size();
        for (std::size_t at = 0; at < piece.size(); at += kSliceBytes) {
            const std::string_view slice = piece.substr(at, kSliceBytes);
            char* const start = output.Space();
            output.Add(static_cast<std::size_t>(encode(slice, start) - start));
        }
    });
    return taken;
}

// Each returns the length of the body it wrote as it is on one line, which
// is what a browser counts.
std::size_t WriteBase64(InputContent& content, bool multiLine, Output& output) {
    base64::Base64Stream stream(multiLine ? base64::Lines::kBroken : base64::Lines::kSingle);
    const std::size_t taken = WriteSlices(
        content, output, [&](std::string_view slice, char* out) { return stream.Add(slice.data(), slice.size(), out); });
    char* const start = output.Space();
    output.Add(static_cast<std::size_t>(stream.Finish(start) - start));
    return base64::EncodedLength(taken, base64::Lines::kSingle);
}

// Spaces that may end the content wait until more follows: then they are
// written as themselves, at the end as %20.
std::size_t WritePercent(InputContent& content, PercentPlace place, Output& output) {
    const bool spaceKept = IsKeptInPercentForm(place, ' ');
    std::size_t written = 0, waiting = 0;
    const auto write = [&](auto&& fill) {
        char* const start = output.Space();
        const std::size_t length = static_cast<std::size_t>(fill(start) - start);
        output.Add(length);
        written += length;
    };
    const auto writeWaiting = [&](std::string_view space) {
        while (waiting != 0) {
            const std::size_t count = std::min(waiting, kSliceBytes);
            write([&](char* out) {
                for (std::size_t k = 0; k < count; ++k, out += space.size()) std::memcpy(out, space.data(), space.size());
                return out;
            });
            waiting -= count;
        }
    };
    content.Give([&](std::string_view piece) {
        for (std::size_t at = 0; at < piece.size(); at += kSliceBytes) {
            std::string_view slice = piece.substr(at, kSliceBytes);
            if (spaceKept) {
                const std::size_t spaces = PercentTrailingSpaces(0, slice);
                if (spaces == slice.size()) {
                    waiting += spaces;
                    continue;
                }
                writeWaiting(" ");
                waiting = spaces;
                slice.remove_suffix(spaces);
            }
            write([&](char* out) { return PercentEncode(place, slice, out); });
        }
    });
    writeWaiting("%20");
    return written;
}

std::string Named(const std::wstring& path) { return path.empty() ? "standard input" : "'" + ToUtf8(path) + "'"; }

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

bool EncodeInput(const CliOptions& options, const std::wstring& path, CliPlatform& platform,
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
    const bool encodingToChoose = options.encoding == Encoding::kAuto;
    // A limit on the result's size is checked before anything is written.
    const bool sizeToCheck = options.maxSize.has_value();
    const PercentPlace place = PlaceOf(options.format);
    ContentFacts facts(encodingToChoose || (sizeToCheck && options.encoding != Encoding::kBase64), place);
    if (charsetToFind || encodingToChoose || sizeToCheck) content.Look([&](std::string_view piece) { facts.Add(piece); });

    const std::wstring charset =
        options.charset ? *options.charset : charsetToFind && facts.IsUtf8BeyondAscii() ? kUtf8Charset : L"";
    const std::wstring typed = WithCharset(type, charset);
    bool percent = options.encoding == Encoding::kPercent;
    if (encodingToChoose) {
        const std::size_t percentLength = PercentDataUrlHeader(typed).size() + facts.PercentLength();
        const std::size_t base64Length =
            DataUrlHeader(typed, false).size() + base64::EncodedLength(facts.Size(), base64::Lines::kSingle);
        // WebKit plays sound and video through GStreamer, whose reading of
        // a data URL refuses %00; fetch() and images take it.
        const bool mediaWithZero = facts.HasZeroByte() && IsAudioOrVideoType(type);
        percent = percentLength < base64Length && !mediaWithZero;
    }
    // The percent form is always one line.
    const bool multiLine = options.format == Format::kText && !percent;
    const std::string header = ToUtf8(percent ? PercentDataUrlHeader(typed) : DataUrlHeader(typed, multiLine));
    const Snippet snippet = SnippetAround(options.format, header, type, name);
    if (sizeToCheck) {
        const std::size_t body = percent ? facts.PercentLength()
                                         : base64::EncodedLength(facts.Size(), multiLine ? base64::Lines::kBroken
                                                                                         : base64::Lines::kSingle);
        const std::size_t result = snippet.before.size() + body + snippet.after.size();
        if (result > *options.maxSize) {
            platform.WriteError("lumarind-cli: nothing written for " + Named(path) + ": its result would be " +
                                std::to_string(result) + " bytes, more than --max-size allows (" +
                                std::to_string(*options.maxSize) + ")\n");
            return false;
        }
    }
    output.Write(snippet.before);
    const std::size_t body = percent ? WritePercent(content, place, output) : WriteBase64(content, multiLine, output);
    output.Write(snippet.after);

    // What a browser counts: the URL on one line, without the snippet.
    const std::size_t urlLength =
        ToUtf8(percent ? PercentDataUrlHeader(typed) : DataUrlHeader(typed, false)).size() + body;
    for (const std::string& warning : BrowserLimitWarnings(options.format, type, urlLength, Named(path))) {
        platform.WriteError(warning);
    }
    return true;
}

}  // namespace lumarind::cli
