// Kelpin's INI reader, by the rules of the Windows profile functions. The input's first line
// names the section, its second the key, the rest is the file. The value fits the 2048-byte
// buffer, comes from the file, and does not depend on the letter case of the names.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/IniFile.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

std::string_view Line(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return line;
}

std::string SwapCase(std::string_view s) {
    std::string swapped(s);
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return swapped;
}

// Whole UTF-8 characters: a cut must not leave half of one.
bool WholeUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > s.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Line(text);
    const std::string_view key = Line(text);
    const std::string value = kelpin::IniLookup(text, section, key);
    Check(value.size() <= 2047);
    if (text.starts_with("\xFF\xFE")) {
        Check(WholeUtf8(value));
    } else {
        Check(text.find(value) != std::string_view::npos);
    }
    Check(kelpin::IniLookup(text, SwapCase(section), SwapCase(key)) == value);
    return 0;
}
