#include "installer/RegFile.h"

#include <cstdint>

#include "text/Text.h"
#include "text/Utf16.h"

namespace kelpin {

using text::EqualsIgnoringAsciiCase;
using text::HexDigitValue;
using text::Utf16Decoder;

namespace {

// Reads Wine's escaped text up to the unescaped `end` character, from `pos` on. Characters outside
// ASCII are written as \x followed by up to four hex digits of a UTF-16 unit. nullopt when the
// line ends before `end`.
std::optional<std::string> Unescape(std::string_view line, std::size_t& pos, char end) {
    std::string out;
    Utf16Decoder text(out);
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == end) {
            text.Finish();
            return out;
        }
        if (c != '\\' || pos >= line.size()) {
            text.Byte(c);
            continue;
        }
        const char e = line[pos++];
        switch (e) {
            case 'a':
                text.Byte('\a');
                break;
            case 'b':
                text.Byte('\b');
                break;
            case 'e':
                text.Byte('\x1B');
                break;
            case 'f':
                text.Byte('\f');
                break;
            case 'n':
                text.Byte('\n');
                break;
            case 'r':
                text.Byte('\r');
                break;
            case 't':
                text.Byte('\t');
                break;
            case 'v':
                text.Byte('\v');
                break;
            case 'x': {
                std::uint32_t u = 0;
                int digits = 0;
                while (digits < 4 && pos < line.size() && HexDigitValue(line[pos]) >= 0) {
                    u = u * 16 + static_cast<std::uint32_t>(HexDigitValue(line[pos++]));
                    ++digits;
                }
                if (digits == 0)
                    text.Byte('x');
                else
                    text.Unit(static_cast<char16_t>(u));
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
                    text.Unit(static_cast<char16_t>(u));
                } else {
                    text.Byte(e);
                }
        }
    }
    return std::nullopt;
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
            inKey = name && EqualsIgnoringAsciiCase(*name, key);
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
