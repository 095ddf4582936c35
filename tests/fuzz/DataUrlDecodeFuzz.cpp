// --decode of any text. The decoder given the text whole, and again in
// pieces split at places drawn from the text itself, through every pair of
// Base64 and percent decoding kernels this processor runs, gives the same
// bytes or the same fault; so does lumarind-cli's whole path. Whatever it
// accepts, the bytes encoded again in either form and with the same media
// type decode to the same bytes.
#include <algorithm>
#include <optional>
#include <random>
#include <string>

#include "builder/DataUrlDecoder.h"
#include "cli/MediaType.h"
#include "codecs/Base64Decoding.h"
#include "codecs/PercentDecoding.h"
#include "support/Error.h"
#include "support/portable/Utf8.h"
#include "tests/fuzz/CliFuzz.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

struct Decoding {
    std::string bytes;
    std::string fault;
    std::string header;
};

// Pieces of sizes from 1 byte to beyond the decoder's look-ahead; none (0) for the text whole.
Decoding Decode(const std::string& text, const base64::DecodeKernel& kernel,
                const percent::DecodeKernel& percentKernel, unsigned seed) {
    Decoding decoding;
    std::string bytes(DataUrlDecoder::MostBytes(text.size()) * 2, '\0');
    char* out = bytes.data();
    DataUrlDecoder decoder(kernel, percentKernel);
    try {
        std::minstd_rand random(seed);
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t sizes[] = {text.size(), 1, 1 + random() % 16, 1 + random() % 6000};
            const std::size_t piece = std::min(seed == 0 ? text.size() : sizes[random() % 4], text.size() - at);
            decoder.Add(text.data() + at, piece, out);
            at += piece;
        }
        decoder.Finish(out);
        decoding.header = decoder.Header();
    } catch (const Error& error) {
        decoding.fault = ToUtf8(error.description());
    }
    decoding.bytes.assign(bytes.data(), out);
    return decoding;
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Decoding whole = Decode(text, base64::kPortableDecodeKernel, percent::kPortableDecodeKernel, 0);
    unsigned seed = static_cast<unsigned>(size);
    for (const base64::DecodeKernel* kernel : base64::kDecodeKernels) {
        for (const percent::DecodeKernel* percentKernel : percent::kDecodeKernels) {
            if (!kernel->available() || !percentKernel->available()) continue;
            const Decoding pieces = Decode(text, *kernel, *percentKernel, seed += 7919);
            Require(pieces.fault == whole.fault, "in pieces, the same fault as whole");
            Require(pieces.bytes == whole.bytes, "in pieces, the same bytes as whole");
        }
    }

    const fuzz::CliResult decoded = fuzz::RunCliOn({L"-d"}, text);
    Require(decoded.status == (whole.fault.empty() ? cli::kExitSuccess : cli::kExitFailure),
            "--decode fails where the decoder does");
    // To standard output, what came before a fault is written.
    Require(decoded.output == whole.bytes, "--decode writes the decoder's bytes");
    if (!whole.fault.empty()) return 0;

    // The media type the accepted data URL gave, to be given again.
    std::string_view type = std::string_view(whole.header).substr(5);
    const std::size_t semicolon = type.rfind(';');
    if (semicolon != std::string_view::npos && ToLowerAscii(type.substr(semicolon)).find("base64") != std::string::npos) {
        type = type.substr(0, semicolon);
    }
    // A type lumarind-cli would refuse with -t is given as none.
    std::wstring typeArgument = IsValidUtf8(type) && type != "auto" ? FromUtf8(type) : std::wstring();
    std::optional<std::wstring> normalised = cli::NormalisedMediaType(typeArgument);
    if (!normalised) typeArgument = *(normalised = std::wstring());
    for (const wchar_t* encoding : {L"base64", L"percent"}) {
        const fuzz::CliResult again = fuzz::RunCliOn({L"-t", typeArgument, L"-1", L"-e", encoding}, whole.bytes);
        Require(again.status == cli::kExitSuccess, "the decoded bytes encode again");
        Require(DecodeDataUrl(again.output) == whole.bytes, "encoded again, they decode to the same bytes");
    }
    return 0;
}
