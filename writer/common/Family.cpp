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

}  // namespace bramblet
