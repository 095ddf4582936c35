// UTF-8 and the program's wide text, whatever the width of wchar_t
// (16 bits with surrogate pairs on Windows, 32 bits elsewhere), and UTF-16
// on any system, so that Windows' form is checked natively too.
#pragma once

#include <string>
#include <string_view>

namespace lumarind {

// An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);
std::string ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);
std::u16string FromUtf8ToUtf16(std::string_view bytes);

// The length of the well-formed UTF-8 sequence starting at bytes[at] (no
// overlong forms, no surrogates, nothing past U+10FFFF), or 0.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at);
bool IsValidUtf8(std::string_view bytes);
bool HasByteFrom0x80(std::string_view bytes);

// IsValidUtf8 of a text given in pieces that may split a sequence.
class Utf8Checker {
public:
    void Feed(std::string_view bytes);
    // Whether all that was fed is UTF-8, no sequence left unfinished.
    bool Valid() const { return valid_ && carried_ == 0; }

private:
    // The length of the sequence a lead byte starts, judged by its high bits.
    static std::size_t LeadLength(unsigned char lead);

    char carry_[4] = {};
    std::size_t carried_ = 0;
    bool valid_ = true;
};

}  // namespace lumarind
