#include "writer/cli/Serial.h"

#include <limits>

#include "writer/common/Text.h"

namespace bramblet {
namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<std::uint64_t> Digits(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::optional<SerialOption> ParseSerialOption(const std::string& text) {
    const auto first = text.find(':');
    if (first == std::string::npos) return std::nullopt;
    const auto second = text.find(':', first + 1);
    if (second == std::string::npos || second + 1 == text.size()) return std::nullopt;
    const auto address = ParseHex(text.substr(0, first), 6);
    const auto width = Digits(text.substr(first + 1, second - first - 1), 1);
    if (!address || !width || *width < 1 || *width > 8 || *address + *width - 1 > 0xFFFFFF) {
        return std::nullopt;
    }
    return SerialOption{static_cast<std::uint32_t>(*address), static_cast<int>(*width),
                        text.substr(second + 1)};
}

std::optional<std::uint64_t> ParseCounter(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && Blank(text[begin])) ++begin;
    while (end > begin && Blank(text[end - 1])) --end;
    return Digits(text.substr(begin, end - begin), 20);
}

std::optional<SerialNumbers> TakeSerialNumbers(const std::string& text, int width,
                                               std::uint64_t count, std::string& error) {
    const std::optional<std::uint64_t> first = ParseCounter(text);
    if (!first) {
        error = "the counter holds no decimal number";
        return std::nullopt;
    }
    const std::uint64_t limit = width >= 8 ? std::numeric_limits<std::uint64_t>::max()
                                           : (std::uint64_t{1} << 8 * width) - 1;
    // The counter must also be able to hold the number after the last.
    if (count == 0 || *first > limit || count - 1 > limit - *first ||
        *first + (count - 1) == std::numeric_limits<std::uint64_t>::max()) {
        const std::string bytes = std::to_string(width) + (width == 1 ? " byte" : " bytes");
        error = count == 1
                    ? "the serial number " + std::to_string(*first) + " does not fit in " + bytes
                    : "the serial numbers from " + std::to_string(*first) + " for " +
                          std::to_string(count) + " boards do not all fit in " + bytes;
        return std::nullopt;
    }
    return SerialNumbers{*first, std::to_string(*first + count) + "\n"};
}

ImagePatch SerialPatch(const SerialOption& option, std::uint64_t number) {
    ImagePatch patch{option.address, {}};
    for (int i = 0; i < option.width; ++i) {
        patch.bytes.push_back(static_cast<std::uint8_t>(number >> 8 * i));
    }
    return patch;
}

}  // namespace bramblet
