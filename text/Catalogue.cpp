#include "text/Catalogue.h"

#include <cstdlib>

namespace text {

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        // Nine arguments at most: one digit between the braces.
        if (c == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}' && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::optional<Lang> ParseLang(std::string_view name) {
    if (name == "ja") return Lang::Ja;
    if (name == "en") return Lang::En;
    return std::nullopt;
}

Lang ChooseLang(std::optional<Lang> asked, const char* environment) {
    if (asked) return *asked;
    if (environment) {
        if (const std::optional<Lang> named = ParseLang(environment)) return *named;
    }
    return Lang::Ja;
}

}  // namespace text
