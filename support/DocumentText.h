// The window's document in the narrowest form that holds it exactly: a byte a
// character when every character is ASCII (any data URL whose content type
// is ASCII), wchar_t otherwise. It is widened only where a 16-bit string is
// handed to the platform, a slice or a clipboard's worth at a time.
//
// A view of a DocumentText shares in owning its text, so that a command may
// keep it (the clipboard promising a long text to other programs) after the
// window has loaded another file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace lumarind {

inline bool IsAscii(std::wstring_view text) {
    // No early exit: the loop vectorises.
    unsigned high = 0;
    for (const wchar_t c : text) high |= static_cast<unsigned>(c);
    return high < 0x80;
}

// A view of a text in either form.
class TextView {
public:
    TextView() = default;
    TextView(std::wstring_view wide) : wide_(wide), isNarrow_(false) {}
    // Every character ASCII.
    TextView(std::string_view ascii) : ascii_(ascii), isNarrow_(true) {}
    // Views that keep their text alive for as long as any copy of them lives.
    TextView(std::wstring_view wide, std::shared_ptr<const void> owner)
        : owner_(std::move(owner)), wide_(wide), isNarrow_(false) {}
    TextView(std::string_view ascii, std::shared_ptr<const void> owner)
        : owner_(std::move(owner)), ascii_(ascii), isNarrow_(true) {}

    // True when a copy of the view may be kept after its source has changed.
    bool KeepsText() const { return owner_ != nullptr; }

    bool IsNarrow() const { return isNarrow_; }
    std::string_view Ascii() const { return ascii_; }
    std::wstring_view Wide() const { return wide_; }
    std::size_t size() const { return isNarrow_ ? ascii_.size() : wide_.size(); }
    bool empty() const { return size() == 0; }
    std::wstring Widened() const { return isNarrow_ ? std::wstring(ascii_.begin(), ascii_.end()) : std::wstring(wide_); }

private:
    std::shared_ptr<const void> owner_;
    std::string_view ascii_;
    std::wstring_view wide_;
    bool isNarrow_ = true;
};

class DocumentText {
public:
    DocumentText() = default;
    explicit DocumentText(std::wstring wide)
        : wide_(std::make_shared<const std::wstring>(std::move(wide))), isNarrow_(false) {}
    DocumentText(DocumentText&&) = default;
    DocumentText& operator=(DocumentText&&) = default;
    // A copy would share the buffer its writer fills.
    DocumentText(const DocumentText&) = delete;
    DocumentText& operator=(const DocumentText&) = delete;
    // Room for size ASCII characters, for the caller to write. The memory is
    // not cleared first: each fresh page is touched once, by its writer.
    static DocumentText Ascii(std::size_t size) {
        DocumentText text;
        text.ascii_ = std::shared_ptr<char[]>(new char[size == 0 ? 1 : size]);
        text.asciiSize_ = size;
        return text;
    }
    char* AsciiData() { return ascii_.get(); }
    // Keeps the first size characters of an ASCII text.
    void ShrinkAscii(std::size_t size) {
        if (size < asciiSize_) asciiSize_ = size;
    }

    TextView View() const {
        if (!isNarrow_) return TextView(std::wstring_view(*wide_), wide_);
        return TextView(std::string_view(ascii_.get(), asciiSize_), ascii_);
    }

private:
    std::shared_ptr<char[]> ascii_;
    std::size_t asciiSize_ = 0;
    std::shared_ptr<const std::wstring> wide_;
    bool isNarrow_ = true;
};

}  // namespace lumarind
