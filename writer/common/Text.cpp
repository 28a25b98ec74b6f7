#include "writer/common/Text.h"

#include <cstdio>

namespace bramblet {

std::string Hex(std::uint64_t value, int digits) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || text.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::string IsoTime(const std::tm& local, long offsetSeconds) {
    const long minutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offsetSeconds < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}

std::filesystem::path Utf8Path(std::string_view utf8Name) {
    return std::u8string(reinterpret_cast<const char8_t*>(utf8Name.data()), utf8Name.size());
}

std::size_t ExtensionStart(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return dot;
    return name.find_first_of("\\/:", dot) == std::string_view::npos ? dot : std::string_view::npos;
}

std::string UpperExtension(std::string_view name) {
    const std::size_t start = ExtensionStart(name);
    if (start == std::string_view::npos) return {};
    std::string ext(name.substr(start));
    for (char& c : ext) c = AsciiUpper(c);
    return ext;
}

}  // namespace bramblet
