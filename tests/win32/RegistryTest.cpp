#include <gtest/gtest.h>
#include <windows.h>

#include "support/win32/RegistryWin32.h"
#include "support/win32/UniqueHandle.h"
#include "tests/win32/RunProcess.h"

namespace lumarind {
namespace {

constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;

std::wstring Read(std::uint32_t root, const std::wstring& key, const std::wstring& value) {
    win32::RegistryReaderWin32 reader;
    std::int32_t scratch = 0;
    return reader.ReadValue(root, key, value, 0, scratch);
}

TEST(RegistryReader, ReadsContentTypesAndGivesEmptyForWhatIsAbsent) {
    EXPECT_EQ(Read(kHkeyClassesRoot, L".png", L"Content Type"), L"image/png");
    EXPECT_EQ(Read(kHkeyClassesRoot, L".lumarind-none", L"Content Type"), L"");
    EXPECT_EQ(Read(kHkeyClassesRoot, L".", L"Content Type"), L"");
    EXPECT_EQ(Read(kHkeyClassesRoot, L".png", L"No Such Value"), L"");
}

class ScratchKey : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
    }
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }

    static constexpr wchar_t kPath[] = L"Software\\Tolvarn\\LumarindTests\\Scratch";
    win32::UniqueKey key;
};

TEST_F(ScratchKey, StringValuesAreReadWithOrWithoutATerminatingNul) {
    SetRaw(L"terminated", REG_SZ, L"text/plain", sizeof L"text/plain");
    SetRaw(L"unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    SetRaw(L"expand", REG_EXPAND_SZ, L"%TEMP%", sizeof L"%TEMP%");
    SetRaw(L"empty", REG_SZ, L"", 0);
    const DWORD number = 7;
    SetRaw(L"number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Read(kHkeyCurrentUser, kPath, L"terminated"), L"text/plain");
    EXPECT_EQ(Read(kHkeyCurrentUser, kPath, L"unterminated"), L"abc");
    EXPECT_EQ(Read(kHkeyCurrentUser, kPath, L"expand"), L"%TEMP%");
    EXPECT_EQ(Read(kHkeyCurrentUser, kPath, L"empty"), L"");
    EXPECT_EQ(Read(kHkeyCurrentUser, kPath, L"number"), L"");
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.productName = L"Tolvarn";
        app.internalName = L"LumarindTests";
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tolvarn\\LumarindTests");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tolvarn\\LumarindTests"); }

    std::wstring Get(const std::wstring& key, const std::wstring& fallback) {
        std::int32_t scratch = 0;
        return store.GetSetting(L"OFN Paths", key, 0, app, fallback, true, scratch);
    }
    void Save(const std::wstring& key, const std::wstring& value) {
        std::int32_t scratch = 0;
        store.SaveSetting(L"OFN Paths", key, 0, value, app, true, scratch);
    }

    ApplicationInfo app;
    win32::SettingsStoreWin32 store;
};

TEST_F(SettingsStoreTest, MissingSettingsGiveTheDefaultAndSavedOnesComeBack) {
    EXPECT_EQ(Get(L"Last open in file directory", L""), L"");
    EXPECT_EQ(Get(L"Last open in file directory", L"fallback"), L"fallback");
    Save(L"Last open in file directory", L"C:\\Данные\\в пути");
    EXPECT_EQ(Get(L"Last open in file directory", L""), L"C:\\Данные\\в пути");
    EXPECT_EQ(Get(L"Last open out file directory", L""), L"");
}

TEST_F(SettingsStoreTest, ASettingSavedByOneProcessIsReadByAnother) {
    Save(L"Last open out file directory", L"C:\\out");
    const std::string seen = testing::RunProcess(
        L"reg.exe query \"HKCU\\Software\\Tolvarn\\LumarindTests\\OFN Paths\" /v \"Last open out file directory\"");
    EXPECT_NE(seen.find("C:\\out"), std::string::npos) << seen;

    unsigned long exitCode = 1;
    testing::RunProcess(L"reg.exe add \"HKCU\\Software\\Tolvarn\\LumarindTests\\OFN Paths\" /v \"Last open in file "
                        L"directory\" /d \"C:\\in\" /f",
                        &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(Get(L"Last open in file directory", L""), L"C:\\in");
}

}  // namespace
}  // namespace lumarind
