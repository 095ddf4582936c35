#include "support/TextSlices.h"

namespace lumarind {
namespace {

std::size_t HeaderLength(const std::wstring& header, TextForm form) {
    return form == TextForm::kOneLine ? oneline::Length(std::wstring_view(header)) : header.size();
}

std::size_t EncodedLengthOf(const EncodedText& encoded, TextForm form) {
    const base64::Lines lines = form == TextForm::kOneLine ? base64::Lines::kSingle : base64::Lines::kBroken;
    return HeaderLength(encoded.header, form) + base64::EncodedLength(encoded.bytes->View().size(), lines);
}

}  // namespace

TextView::TextView(std::shared_ptr<const EncodedText> encoded)
    : owner_(encoded), encoded_(encoded.get()), isNarrow_(IsAscii(encoded->header)) {}

std::size_t TextView::size() const {
    if (encoded_ != nullptr) return EncodedLengthOf(*encoded_, TextForm::kAsIs);
    return isNarrow_ ? ascii_.size() : wide_.size();
}

std::wstring TextView::Widened() const {
    std::wstring wide;
    wide.reserve(size());
    ForEachSlice(*this, TextForm::kAsIs, [&](auto slice) { wide.append(slice.begin(), slice.end()); });
    return wide;
}

std::size_t LengthOf(const TextView& text, TextForm form) {
    if (const EncodedText* encoded = text.Encoded()) return EncodedLengthOf(*encoded, form);
    if (form == TextForm::kAsIs) return text.size();
    return text.IsNarrow() ? oneline::Length(text.Ascii()) : oneline::Length(text.Wide());
}

std::wstring PrefixOf(const TextView& text, std::size_t count) {
    const EncodedText* encoded = text.Encoded();
    if (encoded == nullptr) {
        if (!text.IsNarrow()) return std::wstring(text.Wide().substr(0, count));
        const std::string_view shown = text.Ascii().substr(0, count);
        return std::wstring(shown.begin(), shown.end());
    }
    // Whole lines of the first bytes are the start of the whole text.
    const std::string_view bytes = encoded->bytes->View();
    const std::size_t lines = count / base64::kLineLength + 1;
    const std::size_t firstBytes = bytes.size() / base64::kBytesPerLine < lines ? bytes.size() : lines * base64::kBytesPerLine;
    std::wstring prefix = encoded->header.substr(0, count);
    if (prefix.size() == count || firstBytes == 0) return prefix;
    std::string body(base64::EncodedLength(firstBytes, base64::Lines::kBroken), '\0');
    base64::Encode(bytes.data(), firstBytes, base64::Lines::kBroken, body.data());
    const std::size_t more = count - prefix.size() < body.size() ? count - prefix.size() : body.size();
    prefix.append(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(more));
    return prefix;
}

}  // namespace lumarind
