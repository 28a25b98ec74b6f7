#include "writer/platform/win32/RegistrySettings.h"

#include "text/Catalogue.h"
#include "text/Wide.h"
#include "writer/platform/win32/SystemError.h"

namespace bramblet {
namespace {

using text::Narrow;
using text::Widen;

// One value's type and bytes; nullopt when it does not exist.
std::optional<RegValue> QueryValue(HKEY key, const std::wstring& name) {
    for (;;) {
        DWORD type = 0, size = 0;
        LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (rc != ERROR_SUCCESS) throw SettingsError(SystemErrorText(Narrow(name), static_cast<DWORD>(rc)));
        RegValue value{static_cast<RegType>(type), std::vector<std::uint8_t>(size)};
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, value.data.data(), &size);
        if (rc == ERROR_MORE_DATA) continue;  // it grew in between
        if (rc != ERROR_SUCCESS) throw SettingsError(SystemErrorText(Narrow(name), static_cast<DWORD>(rc)));
        value.type = static_cast<RegType>(type);
        value.data.resize(size);
        return value;
    }
}

class RegistryKey : public SettingsKey {
public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() override {
        if (key_) RegCloseKey(key_);
    }

    std::optional<RegValue> Query(const std::string& name) const override {
        return QueryValue(key_, Widen(name));
    }
    void Set(const std::string& name, const RegValue& value) override {
        const LONG rc = RegSetValueExW(key_, Widen(name).c_str(), 0, static_cast<DWORD>(value.type),
                                       value.data.data(), static_cast<DWORD>(value.data.size()));
        if (rc != ERROR_SUCCESS) throw SettingsError(SystemErrorText(name, static_cast<DWORD>(rc)));
    }
    void Close() override {
        const LONG rc = RegCloseKey(key_);
        key_ = nullptr;
        if (rc != ERROR_SUCCESS) throw SettingsError(SystemErrorText("RegCloseKey", static_cast<DWORD>(rc)));
    }

private:
    HKEY key_;
};

class RegistryStore : public SettingsStore {
public:
    RegistryStore(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {}

    std::unique_ptr<SettingsKey> OpenExisting() override {
        HKEY key = nullptr;
        const LONG rc = RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &key);
        if (rc == ERROR_FILE_NOT_FOUND) return nullptr;
        if (rc != ERROR_SUCCESS) throw SettingsError(SystemErrorText(Narrow(path_), static_cast<DWORD>(rc)));
        return std::make_unique<RegistryKey>(key);
    }
    std::unique_ptr<SettingsKey> Create() override {
        HKEY key = nullptr;
        const LONG rc = RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS) throw SettingsError(SystemErrorText(Narrow(path_), static_cast<DWORD>(rc)));
        return std::make_unique<RegistryKey>(key);
    }

private:
    HKEY root_;
    std::wstring path_;
};

}  // namespace

std::unique_ptr<SettingsStore> RegistrySettingsStore(HKEY root, const std::wstring& path) {
    return std::make_unique<RegistryStore>(root, path);
}

std::unique_ptr<SettingsStore> SystemSettingsStore() {
    return RegistrySettingsStore(HKEY_CURRENT_USER, L"Software\\ORVANE\\Bramblet");
}

std::optional<std::vector<std::string>> RegistryStringValues(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    std::vector<std::wstring> names;
    DWORD longest = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                     nullptr, nullptr, nullptr);
    std::wstring name(longest + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG rc =
            RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), length);
    }
    std::vector<std::string> ports;
    try {
        for (const std::wstring& n : names) {
            const std::optional<RegValue> value = QueryValue(key, n);
            if (!value) continue;  // removed since it was listed
            if (value->type != RegType::Sz && value->type != RegType::ExpandSz) {
                throw PlatformError(
                    text::Say(text::Tx::SettingTypeQuoted, text::Lang::Ja, {Narrow(n)}));
            }
            ports.push_back(StringFromData(value->data));
        }
    } catch (...) {
        RegCloseKey(key);
        throw;
    }
    RegCloseKey(key);
    return ports;
}

}  // namespace bramblet
