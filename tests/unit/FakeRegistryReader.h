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
    // The "Extension" values, by key name (MIME\Database\Content Type\...).
    std::map<std::wstring, std::wstring> extensions;
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
        if (rootKey != kHkeyClassesRoot) return {};
        const std::map<std::wstring, std::wstring>* values = valueName == L"Content Type" ? &registry_.contentTypes
                                                              : valueName == L"Extension"  ? &registry_.extensions
                                                                                           : nullptr;
        if (values == nullptr) return {};
        const auto found = values->find(keyName);
        return found == values->end() ? std::wstring() : found->second;
    }

private:
    FakeRegistry& registry_;
};

inline std::unique_ptr<RegistryReader> FakeRegistry::NewReader() {
    return std::make_unique<FakeRegistryReader>(*this);
}

}  // namespace lumarind::testing
