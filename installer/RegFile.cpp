#include "installer/RegFile.h"

#include <cstdint>

namespace kelpin {
namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads Wine's escaped text up to the unescaped `end` character, from `pos` on. Characters outside
// ASCII are written as \x followed by up to four hex digits of a UTF-16 unit. nullopt when the
// line ends before `end`.
std::optional<std::string> Unescape(std::string_view line, std::size_t& pos, char end) {
    std::string out;
    std::uint32_t highSurrogate = 0;
    auto unit = [&](std::uint32_t u) {
        if (u >= 0xD800 && u < 0xDC00) {
            if (highSurrogate) AppendUtf8(out, 0xFFFD);
            highSurrogate = u;
            return;
        }
        if (u >= 0xDC00 && u < 0xE000 && highSurrogate) {
            AppendUtf8(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (u - 0xDC00));
        } else {
            if (highSurrogate) AppendUtf8(out, 0xFFFD);
            AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
        }
        highSurrogate = 0;
    };
    auto raw = [&](char c) {
        if (highSurrogate) AppendUtf8(out, 0xFFFD);
        highSurrogate = 0;
        out += c;
    };
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == end) {
            if (highSurrogate) AppendUtf8(out, 0xFFFD);
            return out;
        }
        if (c != '\\' || pos >= line.size()) {
            raw(c);
            continue;
        }
        const char e = line[pos++];
        switch (e) {
            case 'a':
                raw('\a');
                break;
            case 'b':
                raw('\b');
                break;
            case 'e':
                raw('\x1B');
                break;
            case 'f':
                raw('\f');
                break;
            case 'n':
                raw('\n');
                break;
            case 'r':
                raw('\r');
                break;
            case 't':
                raw('\t');
                break;
            case 'v':
                raw('\v');
                break;
            case 'x': {
                std::uint32_t u = 0;
                int digits = 0;
                while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
                    u = u * 16 + static_cast<std::uint32_t>(HexDigit(line[pos++]));
                    ++digits;
                }
                if (digits == 0)
                    raw('x');
                else
                    unit(u);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    std::uint32_t u = static_cast<std::uint32_t>(e - '0');
                    for (int digits = 1;
                         digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7';
                         ++digits) {
                        u = u * 8 + static_cast<std::uint32_t>(line[pos++] - '0');
                    }
                    unit(u);
                } else {
                    raw(e);
                }
        }
    }
    return std::nullopt;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> RegDefaultValue(std::string_view hive, std::string_view key) {
    bool inKey = false;
    bool seen = false;
    while (!hive.empty()) {
        const std::size_t end = hive.find('\n');
        std::string_view line = hive.substr(0, end);
        hive.remove_prefix(end == std::string_view::npos ? hive.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (line.starts_with("[")) {
            if (inKey) break;
            std::size_t pos = 1;
            const std::optional<std::string> name = Unescape(line, pos, ']');
            inKey = name && SameKey(*name, key);
            seen = seen || inKey;
            continue;
        }
        if (!inKey || !line.starts_with("@=")) continue;
        std::string_view value = line.substr(2);
        if (value.starts_with("str(2):")) value.remove_prefix(7);
        if (!value.starts_with("\"")) return std::string();
        std::size_t pos = 1;
        return Unescape(value, pos, '"').value_or(std::string());
    }
    if (!seen) return std::nullopt;
    return std::string();
}

}  // namespace kelpin
