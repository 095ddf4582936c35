// Base64: both forms decode back to the bytes, one is the other without its
// breaks, and a content encoded piece by piece in whole lines, as
// lumarind-cli streams it, gives the one-shot text.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "builder/DataUrl.h"
#include "codecs/Base64Lines.h"
#include "tests/common/ReferenceBase64.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/unit/FakeRegistryReader.h"

using namespace lumarind;
using fuzz::Require;

namespace {

template <typename Char>
std::basic_string<Char> Encoded(std::string_view bytes, base64::Lines lines) {
    std::basic_string<Char> text(base64::EncodedLength(bytes.size(), lines), Char('?'));
    Char* end = base64::Encode(bytes.data(), bytes.size(), lines, text.data());
    Require(end == text.data() + text.size(), "Encode writes EncodedLength characters");
    return text;
}

std::string Streamed(std::string_view bytes, const std::vector<std::size_t>& linesPerPiece, base64::Lines lines) {
    std::string text;
    for (std::size_t at = 0, piece = 0; at < bytes.size(); ++piece) {
        const std::string_view part = bytes.substr(at, linesPerPiece[piece % linesPerPiece.size()] * base64::kBytesPerLine);
        if (at != 0 && lines == base64::Lines::kBroken) text += "\r\n";
        text += Encoded<char>(part, lines);
        at += part.size();
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::size_t> linesPerPiece(input.ConsumeIntegralInRange<std::size_t>(1, 4));
    for (std::size_t& lines : linesPerPiece) lines = input.ConsumeIntegralInRange<std::size_t>(1, 5);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    const std::string broken = Encoded<char>(bytes, base64::Lines::kBroken);
    const std::string single = Encoded<char>(bytes, base64::Lines::kSingle);
    std::string joined;
    for (std::size_t at = 0; at < broken.size(); at += base64::kLineLength + 2) {
        const std::string_view line = std::string_view(broken).substr(at, base64::kLineLength);
        Require(line.find_first_of("\r\n") == std::string_view::npos, "lines of at most 76 characters");
        Require(at + line.size() == broken.size() || broken.compare(at + line.size(), 2, "\r\n") == 0,
                "lines separated by CR LF, none after the last");
        joined += line;
    }
    Require(joined == single, "the one-line form is the multi-line one without its breaks");
    Require(testing::DecodeBase64(std::wstring(broken.begin(), broken.end())) == bytes,
            "the multi-line form decodes back to the bytes");

    Require(Streamed(bytes, linesPerPiece, base64::Lines::kBroken) == broken,
            "whole lines encoded piece by piece give the one-shot multi-line text");
    Require(Streamed(bytes, linesPerPiece, base64::Lines::kSingle) == single,
            "whole lines encoded piece by piece give the one-shot one-line text");

    const std::size_t wholeLines = bytes.size() / base64::kBytesPerLine;
    std::string fast(wholeLines * base64::kLineLength, '?'), portable(fast);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    base64::EncodeWholeLines(in, wholeLines, reinterpret_cast<unsigned char*>(fast.data()));
    base64::EncodeWholeLinesPortable(in, wholeLines, reinterpret_cast<unsigned char*>(portable.data()));
    Require(fast == portable, "the vector encoder writes what the portable one does");

    // The window's text: the same characters, widened, behind the header.
    testing::FakeRegistry registry;
    const std::wstring window = ComposeDataUrl(bytes, L"", [&] { return registry.NewReader(); });
    Require(window == L"data:;base64,\r\n" + Encoded<wchar_t>(bytes, base64::Lines::kBroken) &&
                Encoded<wchar_t>(bytes, base64::Lines::kBroken) == std::wstring(broken.begin(), broken.end()),
            "the window's wide text holds the same characters");
    return 0;
}
