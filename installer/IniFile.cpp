#include "installer/IniFile.h"

#include "text/Text.h"
#include "text/Utf16.h"

namespace kelpin {

using text::EqualsIgnoringAsciiCase;
using text::Utf16LeToUtf8;

namespace {

// The profile functions' blanks include 0x1A, the old end-of-file mark.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

constexpr std::size_t kResultMax = 2047;

// The longest prefix of a UTF-8 text within `size` bytes that does not cut a character.
std::string_view Utf8Prefix(std::string_view text, std::size_t size) {
    if (text.size() <= size) return text;
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
    return text.substr(0, size);
}

// The value of `key` in `section`, whole.
std::string_view FindValue(std::string_view text, std::string_view section, std::string_view key) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    section = Trim(section);
    key = Trim(key);
    enum { Before, Inside, After } state = Before;
    while (!text.empty() && state != After) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                // Only the first section of a name is searched.
                if (state == Inside)
                    state = After;
                else if (EqualsIgnoringAsciiCase(line.substr(1, close - 1), section))
                    state = Inside;
                continue;
            }
        }
        if (state != Inside) continue;
        const std::size_t equals = line.find('=');
        const std::string_view name = Trim(line.substr(0, equals));
        if (!EqualsIgnoringAsciiCase(name, key)) continue;
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : Trim(line.substr(equals + 1));
        if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return value;
    }
    return {};
}

}  // namespace

std::string IniLookup(std::string_view text, std::string_view section, std::string_view key) {
    // The profile functions read a file that starts with the UTF-16LE byte-order mark as UTF-16
    // and convert the value; here it becomes UTF-8, cut only between characters.
    if (text.starts_with("\xFF\xFE")) {
        const std::string utf8 = Utf16LeToUtf8(text.substr(2));
        return std::string(Utf8Prefix(FindValue(utf8, section, key), kResultMax));
    }
    return std::string(FindValue(text, section, key).substr(0, kResultMax));
}

}  // namespace kelpin
