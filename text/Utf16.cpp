#include "text/Utf16.h"

#include "text/Text.h"

namespace text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

constexpr bool IsHigh(char32_t u) {
    return u >= 0xD800 && u < 0xDC00;
}
constexpr bool IsLow(char32_t u) {
    return u >= 0xDC00 && u < 0xE000;
}

// Calls `unit` with each UTF-16 unit of the UTF-8 text.
template <typename F>
void EachUnit(std::string_view utf8, F unit) {
    while (!utf8.empty()) {
        Utf8Char c = DecodeUtf8(utf8);
        if (c.length == 0) c = {kReplacement, 1};
        utf8.remove_prefix(c.length);
        if (c.value >= 0x10000) {
            unit(static_cast<char16_t>(0xD800 + ((c.value - 0x10000) >> 10)));
            unit(static_cast<char16_t>(0xDC00 + ((c.value - 0x10000) & 0x3FF)));
        } else {
            unit(static_cast<char16_t>(c.value));
        }
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string units;
    units.reserve(utf8.size());
    EachUnit(utf8, [&units](char16_t u) { units.push_back(u); });
    return units;
}

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string text;
    text.reserve(units.size());
    Utf16Decoder decoder(text);
    for (const char16_t u : units) decoder.Unit(u);
    decoder.Finish();
    return text;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size() * 2);
    EachUnit(utf8, [&bytes](char16_t u) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    });
    return bytes;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    Utf16Decoder decoder(text);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        decoder.Unit(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    decoder.Finish();
    return text;
}

std::size_t Utf8PrefixInUtf16Units(std::string_view utf8, std::size_t units) {
    std::size_t used = 0, end = 0;
    while (end < utf8.size()) {
        const std::size_t length = DecodeUtf8(utf8.substr(end)).length;
        const std::size_t need = length == 4 ? 2 : 1;  // only four-byte characters need a pair
        if (used + need > units) break;
        used += need;
        end += length == 0 ? 1 : length;
    }
    return end;
}

void Utf16Decoder::Unit(char16_t u) {
    if (IsHigh(u)) {
        if (high_) AppendUtf8(out_, kReplacement);
        high_ = u;
        return;
    }
    if (IsLow(u) && high_) {
        AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00));
        high_ = 0;
        return;
    }
    Finish();
    AppendUtf8(out_, IsLow(u) ? kReplacement : u);
}

void Utf16Decoder::Byte(char c) {
    Finish();
    out_ += c;
}

void Utf16Decoder::Finish() {
    if (high_) AppendUtf8(out_, kReplacement);
    high_ = 0;
}

}  // namespace text
