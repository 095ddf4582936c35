#include "codecs/PercentEncoding.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "codecs/PercentBlocks.h"
#include "support/Error.h"

namespace lumarind {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// What a byte becomes: itself or %XX, padded to four characters so that
// each is stored with one copy.
struct Form {
    char text[4];
    std::uint8_t length;
};

using Forms = std::array<Form, 256>;

constexpr Forms MakeForms(PercentPlace place) {
    Forms forms{};
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        if (percent::IsKept(place, static_cast<unsigned char>(byte))) forms[byte] = Form{{c, 0, 0, 0}, 1};
        else forms[byte] = Form{{'%', kHexDigits[byte >> 4], kHexDigits[byte & 15], 0}, 3};
    }
    return forms;
}

constexpr Forms kForms[kPercentPlaces] = {MakeForms(PercentPlace::kBareUrl), MakeForms(PercentPlace::kCssString),
                                          MakeForms(PercentPlace::kHtmlAttribute), MakeForms(PercentPlace::kMarkdown)};

const Forms& FormsFor(PercentPlace place) { return kForms[static_cast<int>(place)]; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char* EncodeRest(const Forms& forms, const unsigned char* in, const unsigned char* end, char* out) {
    // Four characters are stored for each byte and one or three kept; the
    // three bytes after it write at least three more, so no store passes
    // the end of the output before the last three.
    for (; end - in > 3; ++in) {
        const Form& form = forms[*in];
        std::memcpy(out, form.text, 4);
        out += form.length;
    }
    for (; in != end; ++in) {
        const Form& form = forms[*in];
        std::memcpy(out, form.text, form.length);
        out += form.length;
    }
    return out;
}

}  // namespace

bool IsKeptInPercentForm(PercentPlace place, unsigned char byte) { return FormsFor(place)[byte].length == 1; }

std::size_t PercentEncodedLength(PercentPlace place, std::string_view bytes) {
    std::size_t length = bytes.size();
    if (const percent::Kernel* kernel = percent::BestKernel()) {
        const std::size_t blocks = bytes.size() / 16 * 16;
        length += 2 * kernel->countEncoded(percent::NibblesFor(place),
                                           reinterpret_cast<const unsigned char*>(bytes.data()), blocks);
        bytes.remove_prefix(blocks);
    }
    const Forms& forms = FormsFor(place);
    for (const char c : bytes) length += forms[static_cast<unsigned char>(c)].length - 1;
    return length;
}

std::size_t PercentEncodedLengthPortable(PercentPlace place, std::string_view bytes) {
    const Forms& forms = FormsFor(place);
    std::size_t length = 0;
    for (const char c : bytes) length += forms[static_cast<unsigned char>(c)].length;
    return length;
}

char* PercentEncode(PercentPlace place, std::string_view bytes, char* out) {
    const percent::Kernel* kernel = percent::BestKernel();
    return kernel ? PercentEncode(*kernel, place, bytes, out) : PercentEncodePortable(place, bytes, out);
}

char* PercentEncode(const percent::Kernel& kernel, PercentPlace place, std::string_view bytes, char* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = in + bytes.size();
    out = kernel.encode(percent::NibblesFor(place), in, end, out);
    return EncodeRest(FormsFor(place), in, end, out);
}

char* PercentEncodePortable(PercentPlace place, std::string_view bytes, char* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    return EncodeRest(FormsFor(place), in, in + bytes.size(), out);
}

std::size_t PercentTrailingSpaces(std::size_t before, std::string_view next) {
    const std::size_t last = next.find_last_not_of(' ');
    return last == std::string_view::npos ? before + next.size() : next.size() - last - 1;
}

std::string PercentDecode(std::string_view body) {
    std::string bytes;
    bytes.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r' || c == '\n') continue;
        if (c != '%') {
            bytes += c;
            continue;
        }
        const int high = i + 1 < body.size() ? HexValue(body[i + 1]) : -1;
        const int low = i + 2 < body.size() ? HexValue(body[i + 2]) : -1;
        if (high < 0 || low < 0) throw Error(errors::kInvalidArgument, L"invalid percent escape");
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

}  // namespace lumarind
