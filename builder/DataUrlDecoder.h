// The bytes of the one data URL a text holds, bare or in one of the
// snippets lumarind-cli writes (CSS url(), HTML src or href, a Markdown
// link), after a byte order mark and white space. The text may come in
// pieces of any size and is never held whole: the decoder keeps a few
// kilobytes at most. Faults throw lumarind::Error naming their place; a
// second data URL, or other text after the snippet, is one of them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "builder/DataUrlReader.h"
#include "builder/SnippetOpening.h"

namespace lumarind {

class DataUrlDecoder {
public:
    // The text read ahead to find the snippet's opening, or a whole escape.
    static constexpr std::size_t kLookahead = 4096;
    // The most bytes Add writes for count bytes of text, and Finish for none.
    static constexpr std::size_t MostBytes(std::size_t count) {
        return count + 2 * kLookahead + DataUrlReader::kMostExtraBytes;
    }

    explicit DataUrlDecoder(const base64::DecodeKernel& kernel = base64::BestDecodeKernel(),
                            const percent::DecodeKernel& percentKernel = percent::BestDecodeKernel())
        : kernel_(kernel), percentKernel_(percentKernel) {}

    // Each writes at out and moves it on past the bytes written, also when it throws.
    void Add(const char* text, std::size_t count, char*& out);
    void Finish(char*& out);

    // "data:" and the media type as the URL has them, once read.
    std::string Header() const { return reader_ ? reader_->Header() : std::string(); }
    // The media type without "data:" and ";base64", once read.
    std::string MediaType() const { return reader_ ? reader_->MediaType() : std::string(); }

private:
    std::size_t Run(const char* text, std::size_t count, bool last, char*& out);

    const base64::DecodeKernel& kernel_;
    const percent::DecodeKernel& percentKernel_;
    std::string carry_;
    TextPlace place_;
    bool startChecked_ = false;
    SnippetOpening opening_;
    std::optional<DataUrlReader> reader_;
    std::string after_;
    TextPlace afterAt_;
};

// The same for a text held whole.
std::string DecodeDataUrl(std::string_view text);

}  // namespace lumarind
