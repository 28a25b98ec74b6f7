#pragma once
// The CPU families, in one table. A family is text only at the edges: the family boxes, the
// ID file's tag, the dialog's answer and the command line's --family each turn text into a
// Family here, and every rule below them works on the value.
//
// The window's family box takes any text and shows and saves it as typed. A text that names none
// of the families is kept as "no family" (std::nullopt), which behaves as it always has: the
// M16C's ID address and the normal link.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace bramblet {

enum class Family { R8C, R8CM, M16C, M32C };

struct FamilyInfo {
    Family family;
    const char* name;
    // The address of ID1, which ID Check names.
    std::uint32_t idAddress;
    // The family that a file chooses when its highest data address lies in [from, to]. Only the
    // families with such a range are chosen this way, and only in place of one another.
    std::optional<std::uint32_t> highestFrom;
    std::uint32_t highestTo;
    // The first four characters of an ID file's second line that name the family.
    const char* idFileTag;
    // The ModePin option's 38400-baud link, without synchronisation, applies.
    bool modePinLink;
};

// R8CM is offered only by the ID code dialog: an R8C that takes its ID Check at the M16C's ID
// address, 0x0FFFDF, instead of the R8C's. Naming it in the dialog sends the code there and keeps
// the window's family box saying which chip it is. It is never chosen from a file's addresses or
// an ID file's tag, and it takes the normal link: the mode pin changes only the R8C's own.
inline constexpr std::array<FamilyInfo, 4> kFamilies = {{
    {Family::R8C, "R8C", 0x00FFDF, 0xFFF0, 0xFFFF, "0FFD", true},
    {Family::R8CM, "R8CM", 0x0FFFDF, std::nullopt, 0, nullptr, false},
    {Family::M16C, "M16C", 0x0FFFDF, 0xFFFF0, 0xFFFFF, "FFFD", false},
    {Family::M32C, "M32C", 0xFFFFDF, 0xFFFFF0, 0xFFFFFF, "FFFF", false},
}};

const FamilyInfo& Info(Family family);
const char* FamilyName(Family family);

// The family a text names, compared exactly (case-sensitive); nothing for any other text.
std::optional<Family> ParseFamily(std::string_view text);

// The ID address for a family, or for a text that names none: the M16C's.
std::uint32_t IdAddress(std::optional<Family> family);

// The addresses of ID1 to ID7, which lie apart: the ID address, then 4, 0xC, 0x10, 0x14, 0x18 and
// 0x1C above it (the top bytes of the fixed vectors).
std::array<std::uint32_t, 7> IdCodeAddresses(std::optional<Family> family);

// Whether a connection takes the mode-pin link.
bool UsesModePinLink(std::optional<Family> family, bool modePin);

// The family a file with this highest data address chooses in place of `current`, or nothing when
// it keeps `current` (the address is in no family's range, `current` is that family already, or
// it is a family or text that addresses never replace).
std::optional<Family> FamilyByHighestAddress(std::uint32_t maxAddress,
                                             std::optional<Family> current);

// The family an ID file's tag names, compared exactly; nothing for any other tag.
std::optional<Family> FamilyByIdFileTag(std::string_view tag);

struct FlashBlock {
    std::uint32_t start;
    std::uint32_t size;
};

// The erase blocks of a typical member of each family, data flash and program ROM, in ascending
// order. Members differ in their sizes, so the writer names blocks by this table but always lets
// the chip find the block of the address it is given.
std::vector<FlashBlock> FlashBlocks(Family family);
std::optional<FlashBlock> BlockHolding(Family family, std::uint32_t address);

}  // namespace bramblet
