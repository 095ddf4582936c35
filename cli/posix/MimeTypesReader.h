#pragma once

#include <istream>
#include <map>
#include <string>

#include "support/ComponentObjects.h"

namespace lumarind::cli {

// The content types of a Unix system's MIME database (/etc/mime.types)
// behind the registry reader's interface: the key "." + extension, the
// value "Content Type". Extensions match without regard to case, as that
// file's do.
class MimeTypesReader : public RegistryReader {
public:
    explicit MimeTypesReader(const std::string& databasePath = "/etc/mime.types");
    // The database's content, as that file holds it.
    explicit MimeTypesReader(std::istream& database);
    std::wstring ReadValue(std::uint32_t rootKey, const std::wstring& keyName, const std::wstring& valueName, int,
                           std::int32_t&) override;

private:
    std::map<std::wstring, std::wstring> types_;
};

}  // namespace lumarind::cli
