// Registry access: the reader of HKEY_CLASSES_ROOT values and the per-user
// settings store.
#pragma once

#include "support/ComponentObjects.h"

namespace lumarind::win32 {

class RegistryReaderWin32 : public RegistryReader {
public:
    std::wstring ReadValue(std::uint32_t rootKey, const std::wstring& keyName, const std::wstring& valueName, int,
                           std::int32_t&) override;
};

// Settings live under HKEY_CURRENT_USER\Software\<product>\<program>\<section>.
class SettingsStoreWin32 : public SettingsStore {
public:
    std::wstring GetSetting(const std::wstring& section, const std::wstring& key, int,
                            const ApplicationInfo& application, const std::wstring& defaultValue, bool,
                            std::int32_t&) override;
    void SaveSetting(const std::wstring& section, const std::wstring& key, int, const std::wstring& value,
                     const ApplicationInfo& application, bool, std::int32_t&) override;

    static std::wstring SectionKey(const ApplicationInfo& application, const std::wstring& section);
};

}  // namespace lumarind::win32
