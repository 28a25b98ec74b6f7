#pragma once
// JSON lines for the machine-readable output and the run log. Strings keep their UTF-8 as it is
// and escape only what JSON requires, so the status texts come through byte for byte.
#include <cstdint>
#include <string>
#include <string_view>

namespace bramblet {

// `text` as a JSON string with its quotes. A byte that is not part of well-formed UTF-8 (a port
// or file name in another encoding) becomes U+FFFD, so the line stays valid JSON.
std::string JsonString(std::string_view text);

// One object, its members in the order they are added.
class JsonObject {
public:
    JsonObject& String(std::string_view key, std::string_view value);
    JsonObject& Number(std::string_view key, std::int64_t value);
    JsonObject& Unsigned(std::string_view key, std::uint64_t value);
    // Thousandths as a decimal fraction: 1234 gives 1.234.
    JsonObject& Thousandths(std::string_view key, std::int64_t value);
    JsonObject& Bool(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);
    // A value already in JSON, such as another object.
    JsonObject& Raw(std::string_view key, const std::string& json);

    std::string Text() const { return body_.empty() ? "{}" : body_ + "}"; }

private:
    void Key(std::string_view key);
    std::string body_;
};

}  // namespace bramblet
