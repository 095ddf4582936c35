#include "support/win32/RegistryWin32.h"

#include <windows.h>

#include <optional>

#include "support/win32/UniqueHandle.h"
#include "support/win32/Win32Error.h"

namespace lumarind::win32 {
namespace {

HKEY RootKey(std::uint32_t root) {
    // The predefined keys are these 32-bit values, sign-extended.
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

bool IsAbsence(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

// A string value, or nullopt when the key or the value does not exist.
std::optional<std::wstring> TryReadString(HKEY root, const std::wstring& keyName, const std::wstring& valueName) {
    UniqueKey key;
    LSTATUS status = RegOpenKeyExW(root, keyName.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (IsAbsence(status)) return std::nullopt;
    if (status != ERROR_SUCCESS) ThrowCode(static_cast<DWORD>(status));

    for (;;) {
        DWORD type = 0;
        DWORD bytes = 0;
        status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &bytes);
        if (IsAbsence(status)) return std::nullopt;
        if (status != ERROR_SUCCESS) ThrowCode(static_cast<DWORD>(status));
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;

        // One spare character: the stored value need not end with a NUL.
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD capacity = bytes;
        status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                  &capacity);
        if (status == ERROR_MORE_DATA) continue;  // the value grew in between
        if (IsAbsence(status)) return std::nullopt;
        if (status != ERROR_SUCCESS) ThrowCode(static_cast<DWORD>(status));
        text.resize(capacity / sizeof(wchar_t));
        const std::size_t end = text.find(L'\0');
        if (end != std::wstring::npos) text.resize(end);
        return text;
    }
}

}  // namespace

std::wstring RegistryReaderWin32::ReadValue(std::uint32_t rootKey, const std::wstring& keyName,
                                            const std::wstring& valueName, int, std::int32_t&) {
    return TryReadString(RootKey(rootKey), keyName, valueName).value_or(std::wstring());
}

std::wstring SettingsStoreWin32::SectionKey(const ApplicationInfo& application, const std::wstring& section) {
    return L"Software\\" + application.productName + L"\\" + application.internalName + L"\\" + section;
}

std::wstring SettingsStoreWin32::GetSetting(const std::wstring& section, const std::wstring& key, int,
                                            const ApplicationInfo& application, const std::wstring& defaultValue,
                                            bool, std::int32_t&) {
    return TryReadString(HKEY_CURRENT_USER, SectionKey(application, section), key).value_or(defaultValue);
}

void SettingsStoreWin32::SaveSetting(const std::wstring& section, const std::wstring& key, int,
                                     const std::wstring& value, const ApplicationInfo& application, bool,
                                     std::int32_t&) {
    UniqueKey sectionKey;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, SectionKey(application, section).c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, sectionKey.put(), nullptr);
    if (status != ERROR_SUCCESS) ThrowCode(static_cast<DWORD>(status));
    status = RegSetValueExW(sectionKey.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) ThrowCode(static_cast<DWORD>(status));
}

}  // namespace lumarind::win32
