// --decode of any text: the data URL decoder alone, and lumarind-cli's whole
// path (byte order mark, white space, CSS, HTML and Markdown snippets).
// Whatever it accepts, the bytes encoded again in either form and with the
// same media type decode to the same bytes.
#include <optional>
#include <string>

#include "builder/DataUrlDecoder.h"
#include "cli/MediaType.h"
#include "cli/OutputFormats.h"
#include "support/Error.h"
#include "support/portable/Utf8.h"
#include "tests/fuzz/CliFuzz.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        DecodeDataUrl(text);
    } catch (const Error&) {
    }
    const std::string_view found = cli::DataUrlInSnippet(text);
    Require(found.data() >= text.data() && found.data() + found.size() <= text.data() + text.size(),
            "the data URL found in a snippet lies inside it");

    const fuzz::CliResult decoded = fuzz::RunCliOn({L"-d"}, text);
    Require(decoded.status == cli::kExitSuccess || decoded.status == cli::kExitFailure, "--decode exits 0 or 1");
    if (decoded.status != cli::kExitSuccess) {
        Require(decoded.output.empty(), "a failed --decode writes nothing");
        return 0;
    }
    // The media type the accepted data URL gave, to be given again.
    std::string_view dataUrl = text;
    if (dataUrl.rfind("\xEF\xBB\xBF", 0) == 0) dataUrl.remove_prefix(3);
    while (!dataUrl.empty() && IsSpace(dataUrl.front())) dataUrl.remove_prefix(1);
    dataUrl = cli::DataUrlInSnippet(dataUrl);
    std::string_view type = dataUrl.substr(0, dataUrl.find(','));
    type.remove_prefix(type.find(':') + 1);
    if (type.size() >= 7 && ToLowerAscii(type.substr(type.size() - 7)) == ";base64") type.remove_suffix(7);
    // A type lumarind-cli would refuse with -t is given as none.
    std::wstring typeArgument = IsValidUtf8(type) && type != "auto" ? FromUtf8(type) : std::wstring();
    std::optional<std::wstring> normalised = cli::NormalisedMediaType(typeArgument);
    if (!normalised) typeArgument = *(normalised = std::wstring());
    for (const wchar_t* encoding : {L"base64", L"percent"}) {
        const fuzz::CliResult again = fuzz::RunCliOn({L"-t", typeArgument, L"-1", L"-e", encoding}, decoded.output);
        Require(again.status == cli::kExitSuccess, "the decoded bytes encode again");
        Require(DecodeDataUrl(again.output) == decoded.output, "encoded again, they decode to the same bytes");
        if (encoding == std::wstring_view(L"base64")) {
            const std::string_view header = std::string_view(again.output).substr(0, again.output.find(";base64,"));
            Require(header.substr(5) == ToUtf8(*normalised), "encoded again, the media type stays");
        }
    }
    return 0;
}
