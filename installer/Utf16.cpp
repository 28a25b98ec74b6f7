#include "installer/Utf16.h"

#include "text/Text.h"

namespace kelpin {

using text::AppendUtf8;

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

}  // namespace

void Utf16Decoder::Unit(std::uint32_t u) {
    if (u >= 0xD800 && u < 0xDC00) {
        if (high_) AppendUtf8(out_, kReplacement);
        high_ = u;
        return;
    }
    if (u >= 0xDC00 && u < 0xE000 && high_) {
        AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00));
    } else {
        Finish();
        AppendUtf8(out_, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
    }
    high_ = 0;
}

void Utf16Decoder::Byte(char c) {
    Finish();
    out_ += c;
}

void Utf16Decoder::Finish() {
    if (high_) AppendUtf8(out_, kReplacement);
    high_ = 0;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    Utf16Decoder decoder(text);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        decoder.Unit(static_cast<unsigned char>(bytes[i]) |
                     static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    }
    decoder.Finish();
    return text;
}

}  // namespace kelpin
