#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/ComponentObjects.h"

namespace lumarind::testing {

// The "Content Type" values of a pretend HKEY_CLASSES_ROOT, and a record of
// every key that was asked for.
struct FakeRegistry {
    std::map<std::wstring, std::wstring> contentTypes;
    std::vector<std::wstring> keysRead;
    bool fail = false;

    std::unique_ptr<RegistryReader> NewReader();
};

class FakeRegistryReader : public RegistryReader {
public:
    explicit FakeRegistryReader(FakeRegistry& registry) : registry_(registry) {}

    std::wstring ReadValue(std::uint32_t rootKey, const std::wstring& keyName, const std::wstring& valueName,
                           int, std::int32_t&) override {
        if (registry_.fail) throw Error(5, L"Access is denied.");
        registry_.keysRead.push_back(keyName);
        if (rootKey != kHkeyClassesRoot || valueName != L"Content Type") return {};
        const auto found = registry_.contentTypes.find(keyName);
        return found == registry_.contentTypes.end() ? std::wstring() : found->second;
    }

private:
    FakeRegistry& registry_;
};

inline std::unique_ptr<RegistryReader> FakeRegistry::NewReader() {
    return std::make_unique<FakeRegistryReader>(*this);
}

}  // namespace lumarind::testing
