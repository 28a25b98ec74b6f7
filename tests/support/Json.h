#pragma once
// A small strict JSON reader for tests that check machine-readable output: one value per text,
// UTF-8 strings with their escapes decoded, numbers kept as written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bramblet::testing {

struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    std::string text;  // a string's value, or a number as written
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    bool IsNull() const { return type == Type::Null; }
    bool Has(const std::string& key) const {
        for (const auto& [k, v] : members) {
            if (k == key) return true;
        }
        return false;
    }
    // The member, or a null when there is none.
    const Json& operator[](const std::string& key) const {
        static const Json none;
        for (const auto& [k, v] : members) {
            if (k == key) return v;
        }
        return none;
    }
    std::uint64_t Unsigned() const { return std::stoull(text); }
};

class JsonReader {
public:
    // The value that is the whole of `text`, blanks around it allowed; nothing when it is not
    // JSON.
    static std::optional<Json> Parse(std::string_view text) {
        JsonReader reader(text);
        Json value;
        if (!reader.Value(value, 0)) return std::nullopt;
        reader.Blanks();
        if (reader.at_ != text.size()) return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Blanks() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool Eat(char c) {
        Blanks();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (s_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool Value(Json& v, int depth) {
        if (depth > 32) return false;
        Blanks();
        if (at_ >= s_.size()) return false;
        const char c = s_[at_];
        if (c == '{') return Object(v, depth);
        if (c == '[') return Array(v, depth);
        if (c == '"') {
            v.type = Json::Type::String;
            return String(v.text);
        }
        if (Word("null")) return true;
        if (Word("true")) {
            v.type = Json::Type::Bool;
            v.boolean = true;
            return true;
        }
        if (Word("false")) {
            v.type = Json::Type::Bool;
            return true;
        }
        return Number(v);
    }

    bool Object(Json& v, int depth) {
        v.type = Json::Type::Object;
        ++at_;
        if (Eat('}')) return true;
        do {
            std::string key;
            Json member;
            Blanks();
            if (at_ >= s_.size() || s_[at_] != '"' || !String(key) || !Eat(':') ||
                !Value(member, depth + 1))
                return false;
            v.members.emplace_back(std::move(key), std::move(member));
        } while (Eat(','));
        return Eat('}');
    }

    bool Array(Json& v, int depth) {
        v.type = Json::Type::Array;
        ++at_;
        if (Eat(']')) return true;
        do {
            Json item;
            if (!Value(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
        } while (Eat(','));
        return Eat(']');
    }

    bool Number(Json& v) {
        const std::size_t start = at_;
        auto digits = [&] {
            const std::size_t from = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
            return at_ > from;
        };
        if (at_ < s_.size() && s_[at_] == '-') ++at_;
        if (at_ < s_.size() && s_[at_] == '0') {
            ++at_;
        } else if (!digits()) {
            return false;
        }
        if (at_ < s_.size() && s_[at_] == '.' && (++at_, !digits())) return false;
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
            if (!digits()) return false;
        }
        v.type = Json::Type::Number;
        v.text = std::string(s_.substr(start, at_ - start));
        return true;
    }

    static void Utf8(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    bool Hex4(char32_t& c) {
        if (at_ + 4 > s_.size()) return false;
        c = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = s_[at_++];
            const int d = h >= '0' && h <= '9'   ? h - '0'
                          : h >= 'a' && h <= 'f' ? h - 'a' + 10
                          : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                 : -1;
            if (d < 0) return false;
            c = c << 4 | static_cast<char32_t>(d);
        }
        return true;
    }

    // A string after its opening quote is seen; raw control characters are not JSON.
    bool String(std::string& out) {
        ++at_;
        while (at_ < s_.size()) {
            const auto b = static_cast<unsigned char>(s_[at_++]);
            if (b == '"') return true;
            if (b < 0x20) return false;
            if (b != '\\') {
                out += static_cast<char>(b);
                continue;
            }
            if (at_ >= s_.size()) return false;
            const char e = s_[at_++];
            const char* simple = "\"\\/bfnrt";
            const char* decoded = "\"\\/\b\f\n\r\t";
            if (const char* p = std::char_traits<char>::find(simple, 8, e)) {
                out += decoded[p - simple];
            } else if (e == 'u') {
                char32_t c;
                if (!Hex4(c)) return false;
                if (c >= 0xD800 && c < 0xDC00) {
                    char32_t low;
                    if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                } else if (c >= 0xDC00 && c < 0xE000) {
                    return false;
                }
                Utf8(out, c);
            } else {
                return false;
            }
        }
        return false;
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

}  // namespace bramblet::testing
