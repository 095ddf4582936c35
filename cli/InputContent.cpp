#include "cli/InputContent.h"

#include <cstring>

#include "cli/CliSteps.h"
#include "cli/ContentSignature.h"
#include "codecs/Base64Lines.h"

namespace lumarind::cli {
namespace {

// Whole Base64 lines of input per piece: memory stays small whatever the
// content's size, and every piece but the last ends on a line's end.
// 4096 lines are also 57 whole pages, so that each read starts on a page.
constexpr std::size_t kPieceSize = base64::kBytesPerLine * 4096;
static_assert(kPieceSize >= kSignatureBytes, "the first piece holds the whole signature");

// A checksum of what one pass read, so that the second can tell it read the
// same bytes. Both passes cut the content into the same pieces.
class Fingerprint {
public:
    void Add(std::string_view bytes) {
        size_ += bytes.size();
        const char* at = bytes.data();
        const char* end = at + bytes.size();
        // Four independent lanes keep the multiplier busy.
        for (; end - at >= 32; at += 32) {
            for (int lane = 0; lane < 4; ++lane) lanes_[lane] = Mix(lanes_[lane], Word(at + 8 * lane));
        }
        for (; end - at >= 8; at += 8) lanes_[0] = Mix(lanes_[0], Word(at));
        std::uint64_t last = static_cast<std::uint64_t>(end - at) << 56;
        std::memcpy(&last, at, static_cast<std::size_t>(end - at));
        lanes_[1] = Mix(lanes_[1], last);
    }
    std::uint64_t Size() const { return size_; }
    std::uint64_t Value() const {
        std::uint64_t value = size_;
        for (const std::uint64_t lane : lanes_) value = Mix(value ^ (value >> 29), lane);
        return value;
    }

private:
    static std::uint64_t Word(const char* at) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        return word;
    }
    // Multiplying by an odd number loses no bit, so any change to a word
    // changes its lane from there on; a shift at the end mixes the lanes.
    static std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) { return (hash ^ word) * 0x9E3779B97F4A7C15u; }

    std::uint64_t lanes_[4] = {1, 2, 3, 4};
    std::uint64_t size_ = 0;
};

}  // namespace

InputContent::InputContent(CliPlatform& platform, const std::wstring& path)
    : platform_(platform), path_(path), chunk_(kPieceSize) {
    Doing(kCannotRead, path_, [&] {
        source_ = platform_.OpenInput(path_);
        rereadable_ = !path_.empty() && source_->SizeHint() > 0;
    });
    headSize_ = ReadFull();
    complete_ = headSize_ < chunk_.size();
}

void InputContent::Look(const Take& take) {
    looked_ = true;
    if (complete_) {
        if (headSize_ != 0) take(Head());
        return;
    }
    if (!rereadable_) {
        ReadAll([&](std::string_view piece) {
            Doing(kCannotRead, path_, [&] { held_.append(piece); });
            take(piece);
        });
        return;
    }
    Fingerprint fingerprint;
    ReadAll([&](std::string_view piece) {
        fingerprint.Add(piece);
        take(piece);
    });
    lookedSize_ = fingerprint.Size();
    lookedFingerprint_ = fingerprint.Value();
}

void InputContent::Give(const Take& take) {
    if (complete_) {
        if (headSize_ != 0) take(Head());
        return;
    }
    if (looked_ && !rereadable_) {
        for (std::size_t at = 0; at < held_.size(); at += kPieceSize) {
            take(std::string_view(held_).substr(at, kPieceSize));
        }
        return;
    }
    if (!looked_) {
        ReadAll(take);
        return;
    }
    Doing(kCannotRead, path_, [&] { source_ = platform_.OpenInput(path_); });
    headSize_ = ReadFull();
    Fingerprint fingerprint;
    ReadAll([&](std::string_view piece) {
        fingerprint.Add(piece);
        take(piece);
    });
    if (fingerprint.Size() != lookedSize_ || fingerprint.Value() != lookedFingerprint_) {
        throw Failure{kCannotRead, path_, ChangedWhileReadError()};
    }
}

void InputContent::ReadAll(const Take& take) {
    for (std::size_t count = headSize_;; count = ReadFull()) {
        if (count != 0) take({chunk_.data(), count});
        // A piece that is not full was the input's end.
        if (count < chunk_.size()) return;
    }
}

std::size_t InputContent::ReadFull() {
    std::size_t filled = 0;
    Doing(kCannotRead, path_, [&] {
        while (filled < chunk_.size()) {
            const std::size_t read = source_->Read(chunk_.data() + filled, chunk_.size() - filled);
            if (read == 0) break;
            filled += read;
        }
    });
    return filled;
}

}  // namespace lumarind::cli
