#pragma once
// Whether a text meant for a reader of English still holds Japanese.
#include <string_view>

namespace bramblet::testing {

// A code point of the Japanese scripts or punctuation (U+3000 and up) or of the full-width forms,
// read from UTF-8; any byte of a malformed sequence counts too, since no English text has one.
inline bool HoldsJapanese(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) continue;
        if ((b & 0xF0) == 0xE0 && i + 2 < s.size()) {
            const char32_t c = (b & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
            if ((c >= 0x3000 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF)) return true;
            i += 2;
            continue;
        }
        if ((b & 0xE0) == 0xC0 && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if ((b & 0xF8) == 0xF0 && i + 3 < s.size()) {
            i += 3;
            continue;
        }
        return true;
    }
    return false;
}

}  // namespace bramblet::testing
