// The settings store and the serial device map in the real registry (Wine's, in CI).
#include <gtest/gtest.h>

#include <algorithm>

#include "writer/platform/win32/RegistrySettings.h"

namespace bramblet {
namespace {

const std::wstring kTestKey = L"Software\\ORVANE\\BrambletTest";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey.c_str()); }
    void Put(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
};

TEST_F(Registry, SettingsRoundTripWithTheirTypes) {
    const auto store = RegistrySettingsStore(HKEY_CURRENT_USER, kTestKey);
    EXPECT_EQ(store->OpenExisting(), nullptr);
    auto key = store->Create();
    WriteDword(*key, "WindowLeft", -20);
    WriteString(*key, "FileName", "C:\\データ\\prog.mot");
    key->Close();

    HKEY raw;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey.c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    RegQueryValueExW(raw, L"FileName", nullptr, &type, nullptr, &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (std::wstring(L"C:\\データ\\prog.mot").size() + 1) * 2);  // zero counted
    RegQueryValueExW(raw, L"WindowLeft", nullptr, &type, nullptr, &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    RegCloseKey(raw);

    const auto read = store->OpenExisting();
    ASSERT_TRUE(read);
    EXPECT_EQ(ReadDword(*read, "WindowLeft"), -20);
    EXPECT_EQ(ReadString(*read, "FileName"), "C:\\データ\\prog.mot");
    EXPECT_EQ(ReadString(*read, "COM"), "");
    EXPECT_THROW(ReadDword(*read, "ModePin"), SettingsError);
}

TEST_F(Registry, WrongTypesAndExpandableStrings) {
    const wchar_t expand[] = L"%TEMP%";
    Put(L"CPU", REG_EXPAND_SZ, expand, sizeof expand);
    Put(L"ModePin", REG_SZ, L"1", 4);
    const std::uint64_t wide = 1;
    Put(L"WindowTop", REG_QWORD, &wide, 8);
    const auto key = RegistrySettingsStore(HKEY_CURRENT_USER, kTestKey)->OpenExisting();
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadString(*key, "CPU"), "%TEMP%");
    EXPECT_THROW(ReadDword(*key, "ModePin"), SettingsError);
    EXPECT_THROW(ReadDword(*key, "WindowTop"), SettingsError);
    EXPECT_THROW(ReadString(*key, "WindowTop"), SettingsError);
}

TEST_F(Registry, DeviceMapListsEveryValuesData) {
    const std::wstring map = kTestKey + L"\\SERIALCOMM";
    EXPECT_FALSE(RegistryStringValues(HKEY_CURRENT_USER, map));
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, map.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegistryStringValues(HKEY_CURRENT_USER, map), std::vector<std::string>{});
    RegSetValueExW(key, L"\\Device\\Serial0", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"COM10"),
                   12);
    RegSetValueExW(key, L"\\Device\\Serial1", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"COM3"),
                   10);
    RegSetValueExW(key, L"\\Device\\VCP0", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"COM3"),
                   10);
    std::vector<std::string> ports = *RegistryStringValues(HKEY_CURRENT_USER, map);
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<std::string>{"COM10", "COM3", "COM3"}));  // duplicates kept
    const DWORD number = 4;
    RegSetValueExW(key, L"\\Device\\Odd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegCloseKey(key);
    EXPECT_THROW(RegistryStringValues(HKEY_CURRENT_USER, map), PlatformError);
}

}  // namespace
}  // namespace bramblet
