#include "cli/CliEncode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "builder/DataUrl.h"
#include "cli/ContentSignature.h"
#include "cli/PercentEncoding.h"
#include "cli/WebTypes.h"
#include "support/SupportFunctions.h"
#include "support/portable/Base64Lines.h"
#include "support/portable/Base64Stream.h"
#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

// Whole lines of input per round: Base64 output is streamed, so memory
// stays small whatever the file's size, and every round ends on a line's end.
// 4096 lines are also 57 whole pages, so that each read starts on a page.
constexpr std::size_t kInputChunk = base64::kBytesPerLine * 4096;
static_assert(kInputChunk >= kSignatureBytes, "the first round holds the whole signature");
// Base64 text goes to the system in whole mebibytes at offsets that are
// multiples of one: the kernel then fills whole pages of large folios
// instead of patching the edges of partial ones (a third less system time).
constexpr std::size_t kWriteAlignment = std::size_t{1} << 20;
constexpr std::size_t kPercentChunk = std::size_t{1} << 20;
constexpr wchar_t kUtf8Charset[] = L"utf-8";

class Input {
public:
    Input(CliPlatform& platform, const std::wstring& path) : path_(path) {
        Doing(kCannotRead, path_, [&] { source_ = platform.OpenInput(path_); });
    }
    // Fills the buffer unless the input ends first; the count read.
    std::size_t ReadFull(char* buffer, std::size_t capacity) {
        std::size_t filled = 0;
        Doing(kCannotRead, path_, [&] {
            while (filled < capacity) {
                const std::size_t read = source_->Read(buffer + filled, capacity - filled);
                if (read == 0) break;
                filled += read;
            }
        });
        return filled;
    }
    std::size_t SizeHint() const { return source_->SizeHint(); }

private:
    const std::wstring& path_;
    std::unique_ptr<ByteSource> source_;
};

std::wstring ContentTypeOf(const CliOptions& options, const std::wstring& path, std::string_view head,
                           CliPlatform& platform) {
    const bool automatic = options.contentType == std::wstring(kAutoType);
    if (options.contentType && !automatic) return *options.contentType;
    const std::wstring extension = path.empty() ? std::wstring() : tsGetFileExtension(path);
    if (automatic) {
        if (std::wstring type = WebTypeForExtension(extension); !type.empty()) return type;
        if (std::wstring type = TypeFromSignature(head); !type.empty()) return type;
    }
    if (path.empty()) return {};
    std::wstring type;
    Doing("cannot look up the content type of", path,
          [&] { type = ContentTypeFor(extension, *platform.NewRegistryReader()); });
    return type;
}

std::wstring WithCharset(const std::wstring& type, const std::optional<std::wstring>& charset) {
    return charset ? type + L";charset=" + *charset : type;
}

std::string PercentHeader(const std::wstring& typeAndCharset) { return ToUtf8(L"data:" + typeAndCharset + L","); }

// Each piece next() gives is Base64-encoded behind the one before. The text
// is encoded a line or two past the next aligned offset, written up to it,
// and the rest kept for the next write.
template <typename NextPiece>
void WriteBase64(NextPiece&& next, base64::Lines lines, Output& output) {
    const std::size_t lineCharacters = base64::kLineLength + (lines == base64::Lines::kBroken ? 2 : 0);
    base64::Base64Stream stream(lines);
    std::vector<char> text(kWriteAlignment + base64::Base64Stream::MostCharacters(2 * base64::kBytesPerLine));
    std::size_t held = 0;
    for (std::string_view bytes = next(); !bytes.empty(); bytes = next()) {
        while (!bytes.empty()) {
            const std::uint64_t boundary = (output.Written() + held) / kWriteAlignment * kWriteAlignment +
                                           kWriteAlignment;
            const std::size_t room = static_cast<std::size_t>(boundary - output.Written()) - held;
            const std::size_t take = std::min(bytes.size(), (room / lineCharacters + 1) * base64::kBytesPerLine);
            held = static_cast<std::size_t>(stream.Add(bytes.data(), take, text.data() + held) - text.data());
            bytes.remove_prefix(take);
            if (output.Written() + held >= boundary) {
                const std::size_t ready = static_cast<std::size_t>(boundary - output.Written());
                output.Write({text.data(), ready});
                held -= ready;
                std::memmove(text.data(), text.data() + ready, held);
            }
        }
    }
    held = static_cast<std::size_t>(stream.Finish(text.data() + held) - text.data());
    if (held != 0) output.Write({text.data(), held});
}

void WritePercent(std::string_view content, Output& output) {
    std::vector<char> text(3 * kPercentChunk);
    for (std::size_t at = 0; at < content.size(); at += kPercentChunk) {
        const char* end = PercentEncode(content.substr(at, kPercentChunk), text.data());
        output.Write({text.data(), static_cast<std::size_t>(end - text.data())});
    }
}

// Pieces of a content in memory, whole Base64 lines each but the last.
class Pieces {
public:
    explicit Pieces(std::string_view content) : content_(content) {}
    std::string_view operator()() {
        const std::string_view piece = content_.substr(at_, kInputChunk);
        at_ += piece.size();
        return piece;
    }

private:
    std::string_view content_;
    std::size_t at_ = 0;
};

}  // namespace

void EncodeInput(const CliOptions& options, const std::wstring& path, CliPlatform& platform, Output& output) {
    Input input(platform, path);
    std::vector<char> chunk(kInputChunk);
    std::size_t count = input.ReadFull(chunk.data(), chunk.size());
    const std::wstring type = ContentTypeOf(options, path, {chunk.data(), count}, platform);
    const Snippet snippet = SnippetAround(options.format, type, path.empty() ? std::wstring() : tsGetFileName(path));
    const bool multiLine = options.format == Format::kText;
    const base64::Lines lines = multiLine ? base64::Lines::kBroken : base64::Lines::kSingle;

    const bool wholeContent = options.encoding == Encoding::kPercent ||
                              (options.encoding == Encoding::kAuto && IsTextualType(type));
    if (!wholeContent) {
        // Streamed: memory stays the same whatever the size.
        output.Write(snippet.before);
        output.Write(ToUtf8(DataUrlHeader(WithCharset(type, options.charset), multiLine)));
        bool first = true;
        WriteBase64(
            [&]() -> std::string_view {
                // A round that was not full was the input's end.
                if (!first) count = count < chunk.size() ? 0 : input.ReadFull(chunk.data(), chunk.size());
                first = false;
                return {chunk.data(), count};
            },
            lines, output);
        output.Write(snippet.after);
        return;
    }

    // The percent form's header depends on the whole content, and auto
    // compares the two forms' lengths.
    std::string content;
    Doing(kCannotRead, path, [&] {
        content.reserve(input.SizeHint() > count ? input.SizeHint() : count);
        content.assign(chunk.data(), count);
        while (count == chunk.size()) {
            count = input.ReadFull(chunk.data(), chunk.size());
            content.append(chunk.data(), count);
        }
    });
    std::vector<char>().swap(chunk);

    const bool validUtf8 = IsValidUtf8(content);
    // Declared only where it is true: bytes that are not UTF-8 keep no charset.
    const bool utf8Text = validUtf8 && HasByteFrom0x80(content);
    const std::wstring percentType =
        WithCharset(type, options.charset ? options.charset : utf8Text ? std::optional<std::wstring>(kUtf8Charset)
                                                                           : std::nullopt);
    bool percent = options.encoding == Encoding::kPercent;
    if (options.encoding == Encoding::kAuto) {
        const std::size_t percentLength = PercentHeader(percentType).size() + PercentEncodedLength(content);
        const std::size_t base64Length = ToUtf8(DataUrlHeader(WithCharset(type, options.charset), false)).size() +
                                         base64::EncodedLength(content.size(), base64::Lines::kSingle);
        percent = validUtf8 && percentLength < base64Length;
    }
    output.Write(snippet.before);
    if (percent) {
        output.Write(PercentHeader(percentType));
        WritePercent(content, output);
    } else {
        output.Write(ToUtf8(DataUrlHeader(WithCharset(type, options.charset), multiLine)));
        WriteBase64(Pieces(content), lines, output);
    }
    output.Write(snippet.after);
}

}  // namespace lumarind::cli
