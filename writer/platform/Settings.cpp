#include "writer/platform/Settings.h"

#include "text/Catalogue.h"
#include "writer/common/Text.h"

namespace bramblet {
namespace {

void AppendUnit(std::vector<std::uint8_t>& out, char16_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

}  // namespace

std::vector<std::uint8_t> StringData(const std::string& utf8) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < utf8.size();) {
        Utf8Char c = DecodeUtf8(std::string_view(utf8).substr(i));
        if (c.length == 0) c = {0xFFFD, 1};
        i += c.length;
        if (c.value >= 0x10000) {
            AppendUnit(out, static_cast<char16_t>(0xD800 + ((c.value - 0x10000) >> 10)));
            AppendUnit(out, static_cast<char16_t>(0xDC00 + ((c.value - 0x10000) & 0x3FF)));
        } else {
            AppendUnit(out, static_cast<char16_t>(c.value));
        }
    }
    AppendUnit(out, 0);
    return out;
}

std::string StringFromData(const std::vector<std::uint8_t>& data) {
    std::string out;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t u = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (u == 0) break;
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < data.size()) {
            const char16_t low = static_cast<char16_t>(data[i + 2] | data[i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
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
