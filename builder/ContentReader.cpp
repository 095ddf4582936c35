#include "builder/ContentReader.h"

#include <cstdint>
#include <new>

namespace lumarind {
namespace {

// Small enough to answer a cancel at once, large enough to cost no time.
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;
// The first room for a content of unknown size; it doubles as it fills, up
// to a limit, since a device may have no end at all (/dev/zero, a pipe that
// is never closed): what goes past it counts as too large for memory.
constexpr std::size_t kUnknownSizeStart = std::size_t{1} << 16;
constexpr std::size_t kUnknownSizeLimit = std::size_t{1} << 32;

}  // namespace

std::shared_ptr<const ContentBytes> ReadWholeContent(FileContent& content, WorkProgress& progress) {
    const std::uint64_t size = content.Size();
    if (size > SIZE_MAX / 2) throw std::bad_alloc();
    auto bytes = std::make_shared<ContentBytes>();
    const bool sizeKnown = size != 0;
    bytes->Reserve(sizeKnown ? static_cast<std::size_t>(size) : kUnknownSizeStart);
    progress.SetTotal(size);
    for (;;) {
        progress.ThrowIfCancelled();
        if (bytes->Room() == 0) {
            if (sizeKnown) break;
            if (bytes->View().size() >= kUnknownSizeLimit) throw std::bad_alloc();
            bytes->Reserve(bytes->View().size() * 2);
        }
        const std::size_t wanted = bytes->Room() < kPieceBytes ? bytes->Room() : kPieceBytes;
        const std::size_t read = content.Read(bytes->End(), wanted);
        if (read == 0) break;
        bytes->Added(read);
        progress.Advance(read);
    }
    return bytes;
}

}  // namespace lumarind
