#include "cli/posix/MimeTypesReader.h"

#include <cwctype>
#include <fstream>
#include <sstream>

#include "support/portable/Utf8.h"

namespace lumarind::cli {
namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

std::map<std::wstring, std::wstring> ReadTypes(std::istream& database) {
    std::map<std::wstring, std::wstring> types;
    std::string line;
    while (std::getline(database, line)) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string type, extension;
        if (!(words >> type)) continue;
        while (words >> extension) types.emplace(Lower(FromUtf8(extension)), FromUtf8(type));
    }
    return types;
}

}  // namespace

MimeTypesReader::MimeTypesReader(const std::string& databasePath) {
    std::ifstream database(databasePath);
    types_ = ReadTypes(database);
}

MimeTypesReader::MimeTypesReader(std::istream& database) : types_(ReadTypes(database)) {}

std::wstring MimeTypesReader::ReadValue(std::uint32_t rootKey, const std::wstring& keyName,
                                        const std::wstring& valueName, int, std::int32_t&) {
    // The extension of a type, as Windows keeps it under MIME\Database.
    constexpr std::wstring_view kTypeKey = L"MIME\\Database\\Content Type\\";
    if (rootKey == kHkeyClassesRoot && valueName == L"Extension" && keyName.compare(0, kTypeKey.size(), kTypeKey) == 0) {
        const std::wstring type = Lower(keyName.substr(kTypeKey.size()));
        for (const auto& [extension, registered] : types_) {
            if (Lower(registered) == type) return L"." + extension;
        }
        return {};
    }
    if (rootKey != kHkeyClassesRoot || valueName != L"Content Type" || keyName.size() < 2 || keyName[0] != L'.') {
        return {};
    }
    const auto found = types_.find(Lower(keyName.substr(1)));
    return found == types_.end() ? std::wstring() : found->second;
}

}  // namespace lumarind::cli
