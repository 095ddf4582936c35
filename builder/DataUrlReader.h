// One data URL read from its text in pieces and decoded as it goes, as a
// browser's fetch() decodes it: the text through its snippet's escapes (see
// SnippetEscapes.h), then as the URL parser takes it (tabs and line breaks
// dropped, C0 controls and spaces at its end cut, '#' starting a fragment),
// then the data: URL processor (the media type up to the first ',', ";base64"
// at its end in any case and after any spaces, the body percent-decoded and,
// for Base64, decoded by forgiving-base64: white space skipped, the padding
// optional where the length allows). Faults throw lumarind::Error naming
// their place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

#include "builder/DecodeFaults.h"
#include "builder/SnippetEscapes.h"
#include "codecs/Base64Decoding.h"
#include "codecs/PercentDecoding.h"

namespace lumarind {

class DataUrlReader {
public:
    // Bytes beyond its text's length that one Read may write: spaces it held
    // back in case they ended the URL, a Base64 group and a kernel's slack.
    static constexpr std::size_t kMostHeld = std::size_t{64} << 10;
    static constexpr std::size_t kMostExtraBytes =
        kMostHeld + 8 + std::max(base64::kDecodeSlack, percent::kDecodeSlack);

    // The text given to Read starts at the URL's first character, at the
    // place start, inside wrapper.
    DataUrlReader(Wrapper wrapper, TextPlace start,
                  const base64::DecodeKernel& kernel = base64::BestDecodeKernel(),
                  const percent::DecodeKernel& percentKernel = percent::BestDecodeKernel());

    // Reads on from text and writes the bytes decoded at out, moving it on
    // (also when it throws). Returns how much text it took: all of it, or
    // less where it needs more text to know a character (last false) or
    // where the URL ends.
    std::size_t Read(const char* text, std::size_t count, bool last, char*& out);
    bool Ended() const { return phase_ == Phase::kEnded; }
    // Once the text has ended: the last bytes, or the fault of a body cut short.
    void Finish(char*& out);

    // Where the text has been read to.
    const TextPlace& Place() const { return place_; }
    // "data:" and the media type as the URL has them, once the ',' was read.
    const std::string& Header() const { return header_; }
    bool IsBase64() const { return base64_; }
    // The media type without "data:", ";base64" and the spaces around, once the ',' was read.
    std::string MediaType() const;

private:
    enum class Phase { kHeader, kBody, kFragment, kEnded };

    enum class LineBreak { kEnds, kGoesOn, kNeedMore };
    LineBreak TextLineBreak(const char* at, const char* end, bool last) const;
    bool Neutral() const;
    // Read at speed from at while nothing but plain text comes: each returns
    // where it stopped, with place_ moved on.
    const char* Base64Run(const char* at, const char* end, char*& out);
    const char* Base64LinesRun(const char* at, const char* end, char*& out);
    const char* PercentRun(const char* at, const char* end, char*& out);
    // The next character through the snippet's escapes; false when more text is needed.
    bool Step(const char*& at, const char* end, bool last, char*& out);
    void UrlByte(unsigned char b, const TextPlace& at, char*& out);
    void StartBody();
    void EndUrl();
    void PercentByte(unsigned char b, const TextPlace& at, char*& out);
    void BodyByte(unsigned char b, const TextPlace& at, char*& out);
    void Base64Byte(unsigned char b, const TextPlace& at, char*& out);
    void FlushHeld(char*& out);
    void FlushPercent(char*& out);

    Wrapper wrapper_;
    TextPlace place_;
    const base64::DecodeKernel& kernel_;
    const percent::DecodeKernel& percentKernel_;
    Phase phase_ = Phase::kHeader;
    std::string header_;
    std::size_t headerRead_ = 0;
    bool base64_ = false;
    // A line break in a bare URL's body, after which "data:" starts a second one.
    bool brokenLine_ = false;
    // The last characters read: white space and "data" before a ':' are the
    // start of a second URL.
    char recent_[5] = {};
    // Where the body starts, and a CR in running text that the URL went on over.
    std::uint64_t bodyStart_ = 0;
    bool lineGoesOn_ = false;

    // Spaces and C0 controls that end the URL if nothing else follows.
    std::string held_;
    TextPlace heldAt_;
    // Held spaces written as bytes for want of room, and where they started.
    bool spilled_ = false;
    TextPlace spilledAt_;
    // A '%' and its first hex digit, waiting for the second.
    unsigned char percent_[2] = {};
    int percentCount_ = 0;
    TextPlace percentAt_[2];
    // The Base64 group being filled.
    std::uint8_t group_[4] = {};
    int filled_ = 0;
    TextPlace lastAt_;
    int pads_ = 0;
    int afterPadding_ = 0;
    TextPlace padAt_;
};

}  // namespace lumarind
