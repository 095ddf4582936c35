#include "builder/DataUrlDecoder.h"

#include <algorithm>

#include "builder/CarriedText.h"
#include "support/portable/AsciiText.h"

namespace lumarind {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Text after the snippet, kept to see whether it closes it.
constexpr std::size_t kMostAfter = std::size_t{64} << 10;

}  // namespace

void DataUrlDecoder::Add(const char* text, std::size_t count, char*& out) {
    ReadCarrying(carry_, text, count, kLookahead,
                 [&](const char* piece, std::size_t size) { return Run(piece, size, false, out); });
}

std::size_t DataUrlDecoder::Run(const char* text, std::size_t count, bool last, char*& out) {
    const char* at = text;
    const char* const end = text + count;
    if (!reader_) {
        if (!startChecked_) {
            if (count < kByteOrderMark.size() && !last) return 0;
            // Notepad starts what it saves as UTF-8 with a byte order mark.
            if (std::string_view(text, count).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
                at += kByteOrderMark.size();
                place_.byte += kByteOrderMark.size();
            }
            startChecked_ = true;
        }
        while (at < end && IsAsciiSpace(*at)) {
            place_.Advance(at, 1);
            ++at;
        }
        if (at == end || (end - at < static_cast<std::ptrdiff_t>(kLookahead) && !last)) {
            return static_cast<std::size_t>(at - text);
        }
        opening_ = OpeningAt(std::string_view(at, std::min<std::size_t>(end - at, kLookahead)));
        place_.Advance(at, opening_.length);
        at += opening_.length;
        reader_.emplace(opening_.wrapper, place_, kernel_, percentKernel_);
    }
    if (!reader_->Ended()) {
        at += reader_->Read(at, static_cast<std::size_t>(end - at), last, out);
        if (!reader_->Ended()) return static_cast<std::size_t>(at - text);
        if (after_.empty()) afterAt_ = reader_->Place();
    }
    const std::size_t rest = static_cast<std::size_t>(end - at);
    if (after_.size() + rest > kMostAfter) CheckSnippetEnd(opening_, after_ + std::string(at, rest), afterAt_);
    after_.append(at, rest);
    return count;
}

void DataUrlDecoder::Finish(char*& out) {
    Run(carry_.data(), carry_.size(), true, out);
    carry_.clear();
    if (!reader_) ThrowFault(faults::kNotDataUrl, place_);
    reader_->Finish(out);
    if (!reader_->Ended() && opening_.wrapper.kind != Wrapping::kBare) ThrowFault(faults::kUnclosed, reader_->Place());
    CheckSnippetEnd(opening_, after_, afterAt_);
}

std::string DecodeDataUrl(std::string_view text) {
    std::string bytes(DataUrlDecoder::MostBytes(text.size()), '\0');
    char* out = bytes.data();
    DataUrlDecoder decoder;
    decoder.Add(text.data(), text.size(), out);
    decoder.Finish(out);
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return bytes;
}

}  // namespace lumarind
