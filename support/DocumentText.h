// The window's document in the narrowest form that holds it exactly: a byte a
// character when every character is ASCII (any data URL whose content type
// is ASCII), wchar_t otherwise. It is widened only where a 16-bit string is
// handed to the platform, a slice or a clipboard's worth at a time.
//
// A view of a DocumentText shares in owning its text, so that a command may
// keep it (the clipboard promising a long text to other programs) after the
// window has loaded another file.
//
// A file's data URL is kept as the file's bytes and the text's header, once:
// its characters are made a slice at a time where they are handed on
// (support/TextSlices.h), never held whole by the program.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lumarind {

// How a text is handed on: as it is, or in its one-line form (every CR LF
// removed), formed straight into the receiver's own buffer so that a large
// document is never held twice.
enum class TextForm { kAsIs, kOneLine };

// A file's content, held once. The memory is not cleared first: each fresh
// page is touched once, by the read that fills it.
class ContentBytes {
public:
    ContentBytes() = default;
    ContentBytes(const ContentBytes&) = delete;
    ContentBytes& operator=(const ContentBytes&) = delete;
    explicit ContentBytes(std::string_view bytes) {
        Reserve(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data_.get());
        size_ = bytes.size();
    }
    // Room for at least capacity bytes in all; keeps those already there.
    void Reserve(std::size_t capacity) {
        if (capacity <= capacity_) return;
        std::unique_ptr<char[]> grown(new char[capacity]);
        std::copy(data_.get(), data_.get() + size_, grown.get());
        data_ = std::move(grown);
        capacity_ = capacity;
    }
    char* End() { return data_.get() + size_; }
    std::size_t Room() const { return capacity_ - size_; }
    void Added(std::size_t count) { size_ += count; }
    std::string_view View() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// A data URL as its multi-line header ("data:" + type + ";base64," + CR LF)
// and the bytes whose Base64 lines follow it.
struct EncodedText {
    std::wstring header;
    std::shared_ptr<const ContentBytes> bytes;
};

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
    // A data URL made from its bytes where it is handed on; narrow when its
    // header is ASCII.
    explicit TextView(std::shared_ptr<const EncodedText> encoded);

    // The encoded document, or null for a text held as characters.
    const EncodedText* Encoded() const { return encoded_; }

    // True when a copy of the view may be kept after its source has changed.
    bool KeepsText() const { return owner_ != nullptr; }

    bool IsNarrow() const { return isNarrow_; }
    // Characters held: Ascii() or Wide(); an encoded text holds none.
    std::string_view Ascii() const { return ascii_; }
    std::wstring_view Wide() const { return wide_; }
    // Its length in characters, as it is.
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    // The whole text in 16-bit characters.
    std::wstring Widened() const;

private:
    std::shared_ptr<const void> owner_;
    const EncodedText* encoded_ = nullptr;
    std::string_view ascii_;
    std::wstring_view wide_;
    bool isNarrow_ = true;
};

class DocumentText {
public:
    DocumentText() = default;
    explicit DocumentText(std::wstring wide)
        : wide_(std::make_shared<const std::wstring>(std::move(wide))), isNarrow_(false) {}
    explicit DocumentText(EncodedText encoded)
        : encoded_(std::make_shared<const EncodedText>(std::move(encoded))) {}
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
        if (encoded_) return TextView(encoded_);
        if (!isNarrow_) return TextView(std::wstring_view(*wide_), wide_);
        return TextView(std::string_view(ascii_.get(), asciiSize_), ascii_);
    }

private:
    std::shared_ptr<const EncodedText> encoded_;
    std::shared_ptr<char[]> ascii_;
    std::size_t asciiSize_ = 0;
    std::shared_ptr<const std::wstring> wide_;
    bool isNarrow_ = true;
};

}  // namespace lumarind
