#include "writer/common/Text.h"

namespace bramblet {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
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
