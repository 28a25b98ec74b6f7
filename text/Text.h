#pragma once
// Text helpers that the writer and the installer both need. Nothing here knows either program,
// so that each links it without linking anything of the other.
#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// ASCII letters only, whatever the locale: Windows compares registry, INI and file names this way.
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit in either case, or -1.
constexpr int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// The character of the well-formed UTF-8 sequence at the start of `s` and the sequence's length,
// or length 0. Well-formed is the strict form: no overlong forms (C0 80, E0 80 80), no encoded
// surrogates (ED A0 80) and nothing past U+10FFFF (F4 90 80 80), none of which UTF-16 can hold.
struct Utf8Char {
    char32_t value;
    std::size_t length;
};
Utf8Char DecodeUtf8(std::string_view s);

}  // namespace text
