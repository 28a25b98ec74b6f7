#include "writer/common/Family.h"

namespace bramblet {

const FamilyInfo& Info(Family family) {
    for (const FamilyInfo& info : kFamilies) {
        if (info.family == family) return info;
    }
    return kFamilies.front();
}

const char* FamilyName(Family family) {
    return Info(family).name;
}

std::optional<Family> ParseFamily(std::string_view text) {
    for (const FamilyInfo& info : kFamilies) {
        if (text == info.name) return info.family;
    }
    return std::nullopt;
}

std::uint32_t IdAddress(std::optional<Family> family) {
    return Info(family.value_or(Family::M16C)).idAddress;
}

std::array<std::uint32_t, 7> IdCodeAddresses(std::optional<Family> family) {
    constexpr std::array<std::uint32_t, 7> kOffsets = {0x00, 0x04, 0x0C, 0x10, 0x14, 0x18, 0x1C};
    std::array<std::uint32_t, 7> addresses;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        addresses[i] = IdAddress(family) + kOffsets[i];
    }
    return addresses;
}

bool UsesModePinLink(std::optional<Family> family, bool modePin) {
    return modePin && family && Info(*family).modePinLink;
}

std::optional<Family> FamilyByHighestAddress(std::uint32_t maxAddress,
                                             std::optional<Family> current) {
    if (!current || !Info(*current).highestFrom) return std::nullopt;
    for (const FamilyInfo& info : kFamilies) {
        if (info.highestFrom && maxAddress >= *info.highestFrom && maxAddress <= info.highestTo &&
            info.family != *current) {
            return info.family;
        }
    }
    return std::nullopt;
}

std::optional<Family> FamilyByIdFileTag(std::string_view tag) {
    for (const FamilyInfo& info : kFamilies) {
        if (info.idFileTag && tag == info.idFileTag) return info.family;
    }
    return std::nullopt;
}

std::vector<FlashBlock> FlashBlocks(Family family) {
    switch (family) {
        case Family::R8C:  // data flash A and B, 64 KB program ROM
        case Family::R8CM:
            return {{0x2400, 0x400},  {0x2800, 0x400},  {0x4000, 0x4000},
                    {0x8000, 0x4000}, {0xC000, 0x4000}, {0x10000, 0x4000}};
        case Family::M16C:  // data flash A, 256 KB program ROM
            return {{0x0F000, 0x1000}, {0xC0000, 0x10000}, {0xD0000, 0x10000}, {0xE0000, 0x10000},
                    {0xF0000, 0x8000}, {0xF8000, 0x2000},  {0xFA000, 0x2000},  {0xFC000, 0x2000},
                    {0xFE000, 0x1000}, {0xFF000, 0x1000}};
        case Family::M32C: {  // 512 KB program ROM
            std::vector<FlashBlock> blocks;
            for (std::uint32_t a = 0xF80000; a < 0xFF0000; a += 0x10000)
                blocks.push_back({a, 0x10000});
            blocks.insert(blocks.end(), {{0xFF0000, 0x8000},
                                         {0xFF8000, 0x2000},
                                         {0xFFA000, 0x2000},
                                         {0xFFC000, 0x2000},
                                         {0xFFE000, 0x1000},
                                         {0xFFF000, 0x1000}});
            return blocks;
        }
    }
    return {};
}

std::optional<FlashBlock> BlockHolding(Family family, std::uint32_t address) {
    for (const FlashBlock& block : FlashBlocks(family)) {
        if (address >= block.start && address - block.start < block.size) return block;
    }
    return std::nullopt;
}

}  // namespace bramblet
