#pragma once
// Small text helpers shared by Kelpin's readers and platforms.
#include <cstdint>
#include <string>
#include <string_view>

namespace kelpin {

// ASCII letters only, whatever the locale, as Windows compares registry, INI and file names.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The value of a hexadecimal digit in either case, or -1.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t c);

}  // namespace kelpin
