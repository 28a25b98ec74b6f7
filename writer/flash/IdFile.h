#pragma once
// ID files: the write file's name with the extension ".id". Line 2 starts with the family's ID
// address in hex and, like lines 3 to 8, ends with the two hex digits of one ID code byte.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "writer/common/Family.h"

namespace bramblet {

using IdCodeBytes = std::array<std::uint8_t, 7>;

struct IdFileContents {
    IdCodeBytes code{};            // 0x00 for every line the file lacks
    std::optional<Family> family;  // named by line 2's tag
};

// The ID file that belongs to a write file name.
std::string IdFileName(const std::string& writeFile);

// Nothing when the file cannot be opened; a malformed file is never an error.
std::optional<IdFileContents> ReadIdFile(const std::string& utf8Name);

}  // namespace bramblet
