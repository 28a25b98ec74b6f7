#include "writer/platform/Settings.h"

namespace bramblet {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUnit(std::vector<std::uint8_t>& out, char16_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view s) {
    if (s.empty()) return {0, 0};
    const auto b = static_cast<unsigned char>(s[0]);
    if (b < 0x80) return {b, 1};
    std::size_t length = 0;
    char32_t value = 0;
    // The second byte's range is what rules out the overlong forms, the surrogates and the
    // code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        value = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        value = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        value = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return {0, 0};
    }
    if (s.size() < length) return {0, 0};
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(s[k]);
        if (next < low || next > high) return {0, 0};
        low = 0x80;
        high = 0xBF;
        value = value << 6 | (next & 0x3F);
    }
    return {value, length};
}

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
    if (!value) throw SettingsError("設定値 " + Quoted(name) + " がありません");
    if (value->type != RegType::Dword || value->data.size() != 4) {
        throw SettingsError("設定値 " + Quoted(name) + " のデータ型が正しくありません");
    }
    const auto& d = value->data;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(d[0]) | d[1] << 8 | d[2] << 16 |
                                     static_cast<std::uint32_t>(d[3]) << 24);
}

std::string ReadString(const SettingsKey& key, const std::string& name) {
    const std::optional<RegValue> value = key.Query(name);
    if (!value) return {};
    if (value->type != RegType::Sz && value->type != RegType::ExpandSz) {
        throw SettingsError("設定値 " + Quoted(name) + " のデータ型が正しくありません");
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
