// The /etc/mime.types reader: any file content. Every extension a line
// lists finds a type, one word without '#'; nothing else is found.
#include <sstream>
#include <string>

#include "cli/posix/MimeTypesReader.h"
#include "support/portable/Utf8.h"
#include "tests/fuzz/FuzzCheck.h"

using namespace lumarind;
using fuzz::Require;

namespace {

std::wstring Lookup(RegistryReader& reader, const std::wstring& key, const std::wstring& value = L"Content Type") {
    std::int32_t error = 0;
    return reader.ReadValue(kHkeyClassesRoot, key, value, 0, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    std::istringstream database(content);
    cli::MimeTypesReader reader(database);

    std::istringstream lines(content);
    for (std::string line; std::getline(lines, line);) {
        line.erase(std::min(line.find('#'), line.size()));
        std::istringstream words(line);
        std::string type, extension;
        if (!(words >> type)) continue;
        while (words >> extension) {
            const std::wstring found = Lookup(reader, L"." + FromUtf8(extension));
            Require(!found.empty(), "every listed extension finds a type");
            Require(found.find_first_of(L" \t\n\v\f\r#") == std::wstring::npos, "a type is one word without '#'");
            Require(Lookup(reader, L"." + FromUtf8(extension), L"Other") .empty(), "only \"Content Type\" is read");
        }
    }
    Require(Lookup(reader, L".").empty() && Lookup(reader, L"").empty(), "no extension, no type");
    return 0;
}
