// One input's content, given piece by piece once or twice. Where the header
// of a data URL depends on the whole content (its charset, the shorter of
// two encodings), a first pass looks and a second writes. A regular file is
// then read again from its start, so memory stays the same whatever its
// size, and a file that changed in between is a failure rather than a data
// URL whose header no longer fits it; any other input (standard input, a
// pipe, a device) is held in memory for the second pass.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliPlatform.h"

namespace lumarind::cli {

class InputContent {
public:
    using Take = std::function<void(std::string_view piece)>;

    // Opens the input and reads its first piece. Throws Failure.
    InputContent(CliPlatform& platform, const std::wstring& path);

    // The first bytes, for the content's signature: the whole content or at
    // least a piece's worth.
    std::string_view Head() const { return {chunk_.data(), headSize_}; }

    // The first pass, when a second will follow: every piece to take.
    void Look(const Take& take);
    // The last pass: every piece to take, each a whole number of Base64
    // lines but the last. Throws Failure.
    void Give(const Take& take);

private:
    void ReadAll(const Take& take);
    std::size_t ReadFull();

    CliPlatform& platform_;
    const std::wstring& path_;
    std::unique_ptr<ByteSource> source_;
    std::vector<char> chunk_;
    std::size_t headSize_ = 0;
    // The head holds the whole content.
    bool complete_ = false;
    // Read again from the file rather than kept.
    bool rereadable_ = false;
    bool looked_ = false;
    std::string held_;
    std::uint64_t lookedSize_ = 0;
    std::uint64_t lookedFingerprint_ = 0;
};

}  // namespace lumarind::cli
