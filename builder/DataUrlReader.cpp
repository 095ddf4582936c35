#include "builder/DataUrlReader.h"

#include <algorithm>
#include <cstring>

#include "codecs/Base64Blocks.h"
#include "codecs/PercentDecoding.h"

#include "support/portable/AsciiText.h"

namespace lumarind {
namespace {

constexpr std::size_t kMostHeader = std::size_t{64} << 10;
static_assert(DataUrlReader::kMostHeld == std::size_t{64} << 10, "faults::kLongSpaceAtEnd names it");

using percent::detail::HexValue;
using percent::detail::IsHex;

// White space as forgiving-base64 skips it.
bool IsBase64Space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// The characters a percent-encoded body copies as they are, in runs: none
// that a wrapper, the URL parser or percent-decoding gives a meaning, nor ':'
// (which may end the "data" of a second URL).
struct PlainTable {
    bool plain[256];
};
constexpr PlainTable MakePlainTable() {
    PlainTable table{};
    for (int c = 0; c < 256; ++c) {
        constexpr std::string_view kPlain = "+-./_~!$*,=;?@";
        table.plain[c] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80 ||
                         kPlain.find(static_cast<char>(c)) != std::string_view::npos;
    }
    return table;
}
constexpr PlainTable kPlainTable = MakePlainTable();

// A bare URL gives a meaning to fewer characters: every printable one but
// '#' and '%' is plain there, and ':' too until a line break could have
// started a second URL.
constexpr PlainTable MakeBarePlainTable() {
    PlainTable table{};
    for (int c = 0; c < 256; ++c) table.plain[c] = c > ' ' && c != '#' && c != '%';
    return table;
}
constexpr PlainTable kBarePlainTable = MakeBarePlainTable();

// The media type ends with ';', any spaces and "base64" in any case.
bool SaysBase64(std::string_view type) {
    type = TrimAsciiSpace(type);
    constexpr std::string_view kBase64 = "base64";
    if (type.size() < kBase64.size()) return false;
    for (std::size_t i = 0; i < kBase64.size(); ++i) {
        if (AsciiLower(type[type.size() - kBase64.size() + i]) != kBase64[i]) return false;
    }
    type.remove_suffix(kBase64.size());
    while (!type.empty() && type.back() == ' ') type.remove_suffix(1);
    return !type.empty() && type.back() == ';';
}

}  // namespace

DataUrlReader::DataUrlReader(Wrapper wrapper, TextPlace start, const base64::DecodeKernel& kernel,
                             const percent::DecodeKernel& percentKernel)
    : wrapper_(wrapper), place_(start), kernel_(kernel), percentKernel_(percentKernel) {}

std::string DataUrlReader::MediaType() const {
    constexpr std::size_t kScheme = sizeof "data:" - 1;
    std::string_view type = std::string_view(header_).substr(std::min(header_.size(), kScheme));
    if (base64_) type = type.substr(0, type.rfind(';'));
    return std::string(TrimAsciiSpace(type));
}

bool DataUrlReader::Neutral() const {
    return phase_ == Phase::kBody && held_.empty() && percentCount_ == 0 && filled_ == 0 && pads_ == 0;
}

std::size_t DataUrlReader::Read(const char* text, std::size_t count, bool last, char*& out) {
    const char* at = text;
    const char* const end = text + count;
    while (at < end && phase_ != Phase::kEnded) {
        if (Neutral()) {
            const char* run = at;
            at = base64_ ? Base64Run(at, end, out) : PercentRun(at, end, out);
            if (at != run) {
                constexpr std::size_t kRecent = sizeof recent_;
                const std::size_t kept = std::min<std::size_t>(kRecent, static_cast<std::size_t>(at - run));
                std::memmove(recent_, recent_ + kept, kRecent - kept);
                std::memcpy(recent_ + kRecent - kept, at - kept, kept);
                if (at == end) break;
            }
        }
        if (!Step(at, end, last, out)) break;
    }
    return static_cast<std::size_t>(at - text);
}

// The kernel's runs, and between them the line breaks of a bare URL (as
// lumarind writes its text), which UrlByte would skip one Step each.
const char* DataUrlReader::Base64Run(const char* at, const char* const end, char*& out) {
    for (;;) {
        if (wrapper_.kind == Wrapping::kBare) at = Base64LinesRun(at, end, out);
        const std::size_t taken = kernel_.decodeRun(reinterpret_cast<const unsigned char*>(at),
                                                    static_cast<std::size_t>(end - at),
                                                    reinterpret_cast<unsigned char*>(out));
        out += taken / 4 * 3;
        place_.byte += taken;
        at += taken;
        if (wrapper_.kind != Wrapping::kBare) return at;
        const char* const breaks = at;
        while (at < end && (*at == '\r' || *at == '\n')) ++at;
        if (at == breaks) return at;
        brokenLine_ = true;
        place_.Advance(breaks, static_cast<std::size_t>(at - breaks));
        if (at == end) return at;
    }
}

// lumarind's own lines, 76 characters and the same line break each, go to
// the kernel together: one run per line would end each in its portable loop.
// 76 is a multiple of 4, so the kernel stops where it would line by line.
const char* DataUrlReader::Base64LinesRun(const char* at, const char* const end, char*& out) {
    constexpr std::size_t kLine = base64::kLineLength;
    if (place_.byte != place_.lineStart || static_cast<std::size_t>(end - at) <= kLine + 1) return at;
    const std::size_t breakLength = at[kLine] == '\n' ? 1 : at[kLine] == '\r' && at[kLine + 1] == '\n' ? 2 : 0;
    if (breakLength == 0) return at;
    const std::size_t stride = kLine + breakLength;
    std::size_t lines = 0;
    for (const char* line = at; static_cast<std::size_t>(end - line) >= stride && line[stride - 1] == '\n' &&
                                (breakLength == 1 || line[kLine] == '\r');
         line += stride) {
        ++lines;
    }
    const std::size_t taken = kernel_.decodeLines(reinterpret_cast<const unsigned char*>(at), lines, stride,
                                                  reinterpret_cast<unsigned char*>(out));
    out += taken / 4 * 3;
    const std::size_t wholeLines = taken / kLine;
    if (wholeLines != 0) {
        brokenLine_ = true;
        place_.line += wholeLines;
        place_.lineStart = place_.byte + wholeLines * stride;
    }
    const std::size_t passed = wholeLines * stride + taken % kLine;
    place_.byte += passed;
    return at + passed;
}

// Plain characters copied in runs, and the escapes "%XX" between them
// decoded in place: the hex digits are themselves in every wrapper, so no
// escape of its language can hide in them.
const char* DataUrlReader::PercentRun(const char* at, const char* const end, char*& out) {
    const bool* const plain =
        wrapper_.kind == Wrapping::kBare && !brokenLine_ ? kBarePlainTable.plain : kPlainTable.plain;
    const char* const start = at;
    if (plain == kBarePlainTable.plain) {
        auto* bytes = reinterpret_cast<unsigned char*>(out);
        at = reinterpret_cast<const char*>(percentKernel_.decodeBare(reinterpret_cast<const unsigned char*>(at),
                                                                     reinterpret_cast<const unsigned char*>(end), bytes));
        out = reinterpret_cast<char*>(bytes);
    }
    for (;;) {
        const char* const run = at;
        while (at < end && plain[static_cast<unsigned char>(*at)]) ++at;
        std::memcpy(out, run, static_cast<std::size_t>(at - run));
        out += at - run;
        if (end - at < 3 || at[0] != '%' || !IsHex(static_cast<unsigned char>(at[1])) ||
            !IsHex(static_cast<unsigned char>(at[2]))) {
            break;
        }
        *out++ = static_cast<char>(HexValue(static_cast<unsigned char>(at[1])) * 16 +
                                   HexValue(static_cast<unsigned char>(at[2])));
        at += 3;
    }
    place_.byte += static_cast<std::uint64_t>(at - start);
    return at;
}

// In running text, a line break ends the URL unless it is one of lumarind's
// own: right after the header's ',', or after a whole line of 76 characters
// with no second data URL on the next.
DataUrlReader::LineBreak DataUrlReader::TextLineBreak(const char* at, const char* end, bool last) const {
    if (*at == '\n' && lineGoesOn_) return LineBreak::kGoesOn;
    const bool ours = phase_ == Phase::kBody &&
                      (place_.byte == bodyStart_ || place_.byte - place_.lineStart == base64::kLineLength);
    if (!ours) return LineBreak::kEnds;
    const char* next = at + (*at == '\r' && at + 1 < end && at[1] == '\n' ? 2 : 1);
    if (end - next < 5 && !last) return LineBreak::kNeedMore;
    const std::string_view ahead(next, std::min<std::size_t>(5, static_cast<std::size_t>(end - next)));
    bool second = ahead.size() == 5;
    for (std::size_t i = 0; i < ahead.size(); ++i) second = second && AsciiLower(ahead[i]) == "data:"[i];
    return second ? LineBreak::kEnds : LineBreak::kGoesOn;
}

bool DataUrlReader::Step(const char*& at, const char* end, bool last, char*& out) {
    if (wrapper_.kind == Wrapping::kBareText && (*at == '\r' || *at == '\n')) {
        const LineBreak lineBreak = TextLineBreak(at, end, last);
        if (lineBreak == LineBreak::kNeedMore) return false;
        if (lineBreak == LineBreak::kEnds) {
            EndUrl();
            return true;
        }
        lineGoesOn_ = *at == '\r';
        place_.Advance(at, 1);
        ++at;
        return true;
    }
    const UrlCharacter character = ReadUrlCharacter(wrapper_, at, end, last);
    if (character.kind == UrlCharacter::kNeedMore) return false;
    if (character.kind == UrlCharacter::kEnd) {
        EndUrl();
        return true;
    }
    const TextPlace here = place_;
    for (int i = 0; i < character.count; ++i) UrlByte(character.bytes[i], here, out);
    std::memmove(recent_, recent_ + 1, sizeof recent_ - 1);
    recent_[sizeof recent_ - 1] = *at;
    place_.Advance(at, character.used);
    at += character.used;
    return true;
}

void DataUrlReader::UrlByte(unsigned char b, const TextPlace& at, char*& out) {
    // Tabs and line breaks leave the media type, as the URL parser drops
    // them, but stay in the body, as Chromium keeps them there.
    const bool tabOrLineBreak = b == '\t' || b == '\n' || b == '\r';
    if (tabOrLineBreak && b != '\t' && phase_ == Phase::kBody && wrapper_.kind == Wrapping::kBare) brokenLine_ = true;
    if (phase_ == Phase::kFragment || (tabOrLineBreak && phase_ == Phase::kHeader)) return;
    if (phase_ == Phase::kHeader) {
        if (++headerRead_ > kMostHeader) ThrowFault(header_.size() < 5 ? faults::kNotDataUrl : faults::kNoComma, at);
        if (header_.empty() && b <= ' ') return;
        if (b == ',') {
            StartBody();
            return;
        }
        if (b == '#' || header_.size() == kMostHeader) ThrowFault(faults::kNoComma, at);
        header_ += static_cast<char>(b);
        if (header_.size() == 5) {
            for (std::size_t i = 0; i < 5; ++i) {
                if (AsciiLower(header_[i]) != "data:"[i]) ThrowFault(faults::kNotDataUrl, at);
            }
        }
        return;
    }
    if (b <= ' ') {
        // Base64 skips white space wherever it stands; kept back, it would
        // only slow the line breaks of a long text.
        if (base64_ && percentCount_ == 0 && held_.empty() && IsBase64Space(b)) return;
        if (held_.size() == kMostHeld) {
            // In Base64 the first of them is a fault if anything follows, so
            // the rest need no keeping.
            if (base64_) return;
            // Too many to hold back: they are the URL's own unless they end
            // it, which EndUrl and Finish refuse rather than keep them.
            if (!spilled_) spilledAt_ = heldAt_;
            spilled_ = true;
            FlushHeld(out);
        }
        if (held_.empty()) heldAt_ = at;
        held_ += static_cast<char>(b);
        return;
    }
    if (b == ':' && brokenLine_ && wrapper_.kind == Wrapping::kBare) {
        // "data" as a word of its own: "metadata:" is text of this URL.
        bool data = static_cast<unsigned char>(recent_[0]) <= ' ';
        for (int i = 0; i < 4; ++i) data = data && AsciiLower(recent_[i + 1]) == "data"[i];
        if (data) ThrowFault(faults::kSecondDataUrl, at);
    }
    FlushHeld(out);
    spilled_ = false;
    if (b == '#') {
        FlushPercent(out);
        phase_ = Phase::kFragment;
        return;
    }
    PercentByte(b, at, out);
}

void DataUrlReader::StartBody() {
    if (header_.size() < 5) ThrowFault(faults::kNotDataUrl, place_);
    base64_ = SaysBase64(std::string_view(header_).substr(5));
    phase_ = Phase::kBody;
    bodyStart_ = place_.byte + 1;
}

void DataUrlReader::FlushHeld(char*& out) {
    if (held_.empty()) return;
    TextPlace at = heldAt_;
    for (const char c : held_) {
        PercentByte(static_cast<unsigned char>(c), at, out);
        ++at.byte;
    }
    held_.clear();
}

void DataUrlReader::FlushPercent(char*& out) {
    const int count = percentCount_;
    percentCount_ = 0;
    for (int i = 0; i < count; ++i) BodyByte(percent_[i], percentAt_[i], out);
}

void DataUrlReader::PercentByte(unsigned char b, const TextPlace& at, char*& out) {
    if (percentCount_ != 0) {
        if (!IsHex(b)) {
            FlushPercent(out);
        } else if (percentCount_ == 1) {
            percent_[1] = b;
            percentAt_[1] = at;
            percentCount_ = 2;
            return;
        } else {
            percentCount_ = 0;
            BodyByte(static_cast<unsigned char>(HexValue(percent_[1]) * 16 + HexValue(b)), percentAt_[0], out);
            return;
        }
    }
    if (b == '%') {
        percent_[0] = b;
        percentAt_[0] = at;
        percentCount_ = 1;
        return;
    }
    BodyByte(b, at, out);
}

void DataUrlReader::BodyByte(unsigned char b, const TextPlace& at, char*& out) {
    if (base64_) Base64Byte(b, at, out);
    else *out++ = static_cast<char>(b);
}

void DataUrlReader::Base64Byte(unsigned char b, const TextPlace& at, char*& out) {
    if (IsBase64Space(b)) return;
    if (b == '=') {
        if (pads_++ == 0) padAt_ = at;
        return;
    }
    const std::uint8_t value = base64::detail::kDecodeTable.value[b];
    if (value == base64::detail::kNotBase64) ThrowInvalidCharacter(b, at);
    if (pads_ != 0) {
        // Unless it is the "data" of a second bare URL, which ':' will show.
        if (wrapper_.kind != Wrapping::kBare || !brokenLine_ || ++afterPadding_ > 4) {
            ThrowFault(faults::kStrayPadding, padAt_);
        }
        return;
    }
    lastAt_ = at;
    group_[filled_++] = value;
    if (filled_ == 4) {
        filled_ = 0;
        *out++ = static_cast<char>((group_[0] << 2) | (group_[1] >> 4));
        *out++ = static_cast<char>((group_[1] << 4) | (group_[2] >> 2));
        *out++ = static_cast<char>((group_[2] << 6) | group_[3]);
    }
}

void DataUrlReader::EndUrl() {
    // A URL that ends before its ',' (an empty url() or Markdown link) is no data URL.
    if (phase_ == Phase::kHeader) ThrowFault(header_.size() < 5 ? faults::kNotDataUrl : faults::kNoComma, place_);
    if (spilled_) ThrowFault(faults::kLongSpaceAtEnd, spilledAt_);
    phase_ = Phase::kEnded;
}

void DataUrlReader::Finish(char*& out) {
    if (phase_ == Phase::kHeader) ThrowFault(header_.size() < 5 ? faults::kNotDataUrl : faults::kNoComma, place_);
    // Spaces and controls at the end are no part of the URL.
    if (spilled_) ThrowFault(faults::kLongSpaceAtEnd, spilledAt_);
    held_.clear();
    FlushPercent(out);
    if (!base64_) return;
    if (afterPadding_ != 0) ThrowFault(faults::kStrayPadding, padAt_);
    if (pads_ > 2 || (pads_ != 0 && (filled_ + pads_) % 4 != 0)) ThrowFault(faults::kWrongPadding, padAt_);
    if (filled_ == 1) ThrowFault(faults::kCutShort, lastAt_);
    if (filled_ >= 2) *out++ = static_cast<char>((group_[0] << 2) | (group_[1] >> 4));
    if (filled_ == 3) *out++ = static_cast<char>((group_[1] << 4) | (group_[2] >> 2));
    filled_ = 0;
}

}  // namespace lumarind
