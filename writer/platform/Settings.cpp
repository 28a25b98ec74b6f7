#include "writer/platform/Settings.h"

#include "text/Catalogue.h"
#include "text/Utf16.h"

namespace bramblet {
namespace {

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

}  // namespace

std::vector<std::uint8_t> StringData(const std::string& utf8) {
    const std::string bytes = text::Utf8ToUtf16Le(utf8);
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    data.insert(data.end(), {0, 0});
    return data;
}

std::string StringFromData(const std::vector<std::uint8_t>& data) {
    std::size_t end = 0;
    while (end + 1 < data.size() && (data[end] != 0 || data[end + 1] != 0)) end += 2;
    return text::Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(data.data()), end));
}

std::int32_t ReadDword(const SettingsKey& key, const std::string& name) {
    const std::optional<RegValue> value = key.Query(name);
    if (!value)
        throw SettingsError(text::Say(text::Tx::SettingMissing, text::Lang::Ja, {Quoted(name)}));
    if (value->type != RegType::Dword || value->data.size() != 4) {
        throw SettingsError(text::Say(text::Tx::SettingType, text::Lang::Ja, {Quoted(name)}));
    }
    const auto& d = value->data;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(d[0]) | d[1] << 8 | d[2] << 16 |
                                     static_cast<std::uint32_t>(d[3]) << 24);
}

std::string ReadString(const SettingsKey& key, const std::string& name) {
    const std::optional<RegValue> value = key.Query(name);
    if (!value) return {};
    if (value->type != RegType::Sz && value->type != RegType::ExpandSz) {
        throw SettingsError(text::Say(text::Tx::SettingType, text::Lang::Ja, {Quoted(name)}));
    }
    return StringFromData(value->data);
}

void WriteDword(SettingsKey& key, const std::string& name, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    key.Set(name, {RegType::Dword,
                   {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                    static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)}});
}

void WriteString(SettingsKey& key, const std::string& name, const std::string& utf8) {
    key.Set(name, {RegType::Sz, StringData(utf8)});
}

}  // namespace bramblet
