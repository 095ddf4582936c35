// The content-signature sniffer and the web type table: any bytes, any
// name, give nothing or a well-formed lower-case type; the table ignores the
// extension's case, the textual-type check its case and parameters.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "cli/ContentSignature.h"
#include "cli/MediaType.h"
#include "cli/WebTypes.h"
#include "cli/posix/FileNameBytes.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

// type "/" subtype, both made of the characters registered types use.
bool IsWellFormedType(const std::wstring& type) {
    const std::size_t slash = type.find(L'/');
    if (slash == std::wstring::npos || slash == 0 || slash + 1 == type.size()) return false;
    for (std::size_t i = 0; i < type.size(); ++i) {
        const wchar_t c = type[i];
        const bool allowed = (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                             std::wstring_view(L"+-.").find(c) != std::wstring_view::npos || i == slash;
        if (!allowed) return false;
    }
    return true;
}

std::wstring ToUpperAscii(std::wstring text) {
    for (wchar_t& c : text) c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring extension = cli::FileNameFromBytes(input.ConsumeRandomLengthString(64));
    const std::wstring parameters = cli::FileNameFromBytes(input.ConsumeRandomLengthString(64));
    const std::string head = input.ConsumeRemainingBytesAsString();

    const std::wstring sniffed = cli::TypeFromSignature(head);
    Require(sniffed.empty() || IsWellFormedType(sniffed), "a signature gives nothing or a well-formed type");

    const std::wstring web = cli::WebTypeForExtension(extension);
    Require(web.empty() || IsWellFormedType(web), "the web table gives nothing or a well-formed type");
    Require(cli::WebTypeForExtension(ToUpperAscii(extension)) == web, "the web table ignores the extension's case");

    for (const std::wstring& type : {web, sniffed, extension}) {
        const bool textual = cli::IsTextualType(type);
        Require(cli::IsTextualType(ToUpperAscii(type)) == textual, "IsTextualType ignores case");
        if (type.find(L';') == std::wstring::npos) {
            Require(cli::IsTextualType(type + L";" + parameters) == textual, "IsTextualType ignores parameters");
        }
    }
    return 0;
}
