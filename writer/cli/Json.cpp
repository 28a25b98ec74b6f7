#include "writer/cli/Json.h"

#include "writer/common/Text.h"

namespace bramblet {

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    while (!text.empty()) {
        const auto b = static_cast<unsigned char>(text[0]);
        if (b >= 0x80) {
            const Utf8Char c = DecodeUtf8(text);
            if (c.length == 0) {
                json += "\xEF\xBF\xBD";
                text.remove_prefix(1);
            } else {
                json += text.substr(0, c.length);
                text.remove_prefix(c.length);
            }
            continue;
        }
        text.remove_prefix(1);
        switch (b) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (b < 0x20) {
                    json += "\\u00" + Hex(b, 2);
                } else {
                    json += static_cast<char>(b);
                }
        }
    }
    return json + "\"";
}

void JsonObject::Key(std::string_view key) {
    body_ += body_.empty() ? "{" : ",";
    body_ += JsonString(key);
    body_ += ':';
}

JsonObject& JsonObject::String(std::string_view key, std::string_view value) {
    Key(key);
    body_ += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Number(std::string_view key, std::int64_t value) {
    Key(key);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Unsigned(std::string_view key, std::uint64_t value) {
    Key(key);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Thousandths(std::string_view key, std::int64_t value) {
    Key(key);
    if (value < 0) {
        body_ += '-';
        value = -value;
    }
    const std::string fraction = std::to_string(value % 1000);
    body_ += std::to_string(value / 1000) + "." + std::string(3 - fraction.size(), '0') + fraction;
    return *this;
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
    Key(key);
    body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    Key(key);
    body_ += "null";
    return *this;
}

JsonObject& JsonObject::Raw(std::string_view key, const std::string& json) {
    Key(key);
    body_ += json;
    return *this;
}

}  // namespace bramblet
