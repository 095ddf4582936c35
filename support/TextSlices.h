// A text handed on a slice at a time, in either form, in characters of its
// own width: what the clipboard and a file being written take from the
// window's document. A data URL kept as bytes is encoded here, a slice at a
// time, so that its whole text never needs to be held by the program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "codecs/Base64Lines.h"
#include "support/DocumentText.h"
#include "support/portable/OneLine.h"

namespace lumarind {

// About this many characters a slice (a little more for an encoded one).
inline constexpr std::size_t kSliceCharacters = std::size_t{1} << 20;

// The length in characters of the text in the form.
std::size_t LengthOf(const TextView& text, TextForm form);

// The first count characters of the text as it is (fewer when it is shorter).
std::wstring PrefixOf(const TextView& text, std::size_t count);

namespace slices {

// Bytes encoded per slice: whole lines (57 bytes each), so that the slices
// join into the text of the whole.
inline constexpr std::size_t kBytesPerSlice = base64::kBytesPerLine * 16384;

template <typename Char, typename Sink>
void HeldSlices(std::basic_string_view<Char> text, TextForm form, Sink& sink) {
    std::basic_string<Char> oneLine;
    while (!text.empty()) {
        std::size_t count = oneline::SafeCut(text, kSliceCharacters);
        // A surrogate pair stays in one slice, for a sink that converts it.
        if constexpr (sizeof(Char) == 2) {
            if (count < text.size() && count > 1 && text[count - 1] >= 0xD800 && text[count - 1] < 0xDC00) --count;
        }
        const std::basic_string_view<Char> slice = text.substr(0, count);
        text.remove_prefix(count);
        if (form == TextForm::kAsIs) {
            sink(slice);
            continue;
        }
        oneLine.resize(oneline::Length(slice));
        oneline::Copy(slice, oneLine.data());
        sink(std::basic_string_view<Char>(oneLine));
    }
}

}  // namespace slices

// Calls sink with each slice in order, a std::string_view (ASCII) or a
// std::wstring_view; their concatenation is the whole text in the form.
// What the sink throws passes to the caller.
template <typename Sink>
void ForEachSlice(const TextView& text, TextForm form, Sink&& sink) {
    const EncodedText* encoded = text.Encoded();
    if (encoded == nullptr) {
        if (text.IsNarrow()) {
            slices::HeldSlices(text.Ascii(), form, sink);
        } else {
            slices::HeldSlices(text.Wide(), form, sink);
        }
        return;
    }
    if (IsAscii(encoded->header)) {
        const std::string header(encoded->header.begin(), encoded->header.end());
        slices::HeldSlices(std::string_view(header), form, sink);
    } else {
        slices::HeldSlices(std::wstring_view(encoded->header), form, sink);
    }
    const base64::Lines lines = form == TextForm::kOneLine ? base64::Lines::kSingle : base64::Lines::kBroken;
    std::string_view bytes = encoded->bytes->View();
    std::string slice;
    for (bool first = true; !bytes.empty(); first = false) {
        const std::size_t count = bytes.size() < slices::kBytesPerSlice ? bytes.size() : slices::kBytesPerSlice;
        const std::size_t breakLength = lines == base64::Lines::kBroken && !first ? 2 : 0;
        slice.resize(breakLength + base64::EncodedLength(count, lines));
        if (breakLength != 0) {
            slice[0] = '\r';
            slice[1] = '\n';
        }
        base64::Encode(bytes.data(), count, lines, slice.data() + breakLength);
        bytes.remove_prefix(count);
        sink(std::string_view(slice));
    }
}

}  // namespace lumarind
