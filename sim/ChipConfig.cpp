#include "sim/ChipConfig.h"

namespace bramblet::sim {

std::vector<Block> DefaultBlocks(Family family) {
    return FlashBlocks(family);
}

std::array<std::uint32_t, 7> IdAddresses(Family family) {
    constexpr std::array<std::uint32_t, 7> kOffsets = {0x00, 0x04, 0x0C, 0x10, 0x14, 0x18, 0x1C};
    std::array<std::uint32_t, 7> addresses{};
    for (std::size_t i = 0; i < 7; ++i) addresses[i] = IdAddress(family) + kOffsets[i];
    return addresses;
}

std::optional<Family> ParseChipFamily(const std::string& text) {
    const std::optional<Family> family = bramblet::ParseFamily(text);
    if (family == Family::R8CM) return std::nullopt;
    return family;
}

}  // namespace bramblet::sim
