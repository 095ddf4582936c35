// Every data URL in a text of any kind (HTML, CSS, SVG, Markdown, JSON, a
// mail part, plain text), found and decoded as the text streams past: each
// in the snippet around it (see SnippetOpening.h), with the name that
// snippet gives it (an HTML download or alt attribute, a Markdown link's
// text). Memory stays the same for any size of text or URL.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "builder/DataUrlReader.h"
#include "builder/SnippetOpening.h"
#include "support/Error.h"

namespace lumarind {

struct FoundDataUrl {
    // Where its "data:" starts.
    TextPlace at;
    // The name its snippet gives it, in UTF-8; empty when none.
    std::string name;
    // The media type as the URL writes it, without ";base64".
    std::string mediaType;
};

// Where the bytes of each data URL go.
class ExtractedFiles {
public:
    virtual ~ExtractedFiles() = default;
    // A data URL starts: its bytes follow.
    virtual void Begin(const TextPlace& at) = 0;
    // Room for DataUrlExtractor::MostBytes of the piece given to Add or Finish.
    virtual char* Room() = 0;
    virtual void Wrote(std::size_t count) = 0;
    // The data URL ended well.
    virtual void End(const FoundDataUrl& url) = 0;
    // The data URL is malformed: none of its bytes are to be kept.
    virtual void Drop(const FoundDataUrl& url, const Error& fault) = 0;
};

class DataUrlExtractor {
public:
    static constexpr std::size_t kLookback = 4096;
    static constexpr std::size_t MostBytes(std::size_t count) {
        return count + 2 * kLookback + DataUrlReader::kMostExtraBytes;
    }

    explicit DataUrlExtractor(ExtractedFiles& files) : files_(files) {}

    // Throws what files throws.
    void Add(const char* text, std::size_t count);
    void Finish();

private:
    enum class State { kSearching, kInUrl, kTagRest };

    std::size_t Run(const char* text, std::size_t count, bool last);
    void Start(const TextPlace& at);
    // Reads the URL on; false when it needs more text.
    bool ReadUrl(const char*& at, const char* end, bool last);
    void EndUrl();
    void Remember(const char* text, std::size_t count);

    ExtractedFiles& files_;
    std::string carry_;
    State state_ = State::kSearching;
    TextPlace place_;
    // The text before the place, for the snippet a URL starts in.
    std::string recent_;
    std::optional<DataUrlReader> reader_;
    SnippetOpening opening_;
    FoundDataUrl found_;
    // An HTML tag's text before and after its URL, for the name.
    std::string tagText_;
};

}  // namespace lumarind
