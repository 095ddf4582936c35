#include "codecs/Base64Stream.h"

#include <cstring>

#include "codecs/Base64Lines.h"

namespace lumarind::base64 {

std::size_t Base64Stream::MostCharacters(std::size_t count) {
    return EncodedLength(count + kBytesPerLine, Lines::kBroken) + 2;
}

char* Base64Stream::WriteLines(const unsigned char* in, std::size_t count, char* out) {
    if (count == 0) return out;
    if (started_ && lines_ == Lines::kBroken) {
        *out++ = '\r';
        *out++ = '\n';
    }
    started_ = true;
    return reinterpret_cast<char*>(EncodeBytes(kernel_, in, count, lines_, reinterpret_cast<unsigned char*>(out)));
}

char* Base64Stream::Add(const void* bytes, std::size_t count, char* out) {
    if (count == 0) return out;
    const auto* in = static_cast<const unsigned char*>(bytes);
    if (waitingCount_ != 0) {
        const std::size_t taken = count < kBytesPerLine - waitingCount_ ? count : kBytesPerLine - waitingCount_;
        std::memcpy(waiting_ + waitingCount_, in, taken);
        waitingCount_ += taken;
        in += taken;
        count -= taken;
        if (waitingCount_ < kBytesPerLine) return out;
        out = WriteLines(waiting_, kBytesPerLine, out);
        waitingCount_ = 0;
    }
    const std::size_t whole = count / kBytesPerLine * kBytesPerLine;
    out = WriteLines(in, whole, out);
    waitingCount_ = count - whole;
    std::memcpy(waiting_, in + whole, waitingCount_);
    return out;
}

char* Base64Stream::Finish(char* out) {
    out = WriteLines(waiting_, waitingCount_, out);
    waitingCount_ = 0;
    return out;
}

}  // namespace lumarind::base64
