#pragma once
// ID files: the write file's name with the extension ".id". Line 2 starts with the family's ID
// address in hex and, like lines 3 to 8, ends with the two hex digits of one ID code byte.
#include <array>
#include <cstdint>
#include <string>

namespace bramblet {

using IdCodeBytes = std::array<std::uint8_t, 7>;

struct IdFileContents {
    IdCodeBytes code{};  // 0x00 for every line the file lacks
    std::string family;  // "R8C", "M16C", "M32C" from line 2's tag, or empty
};

// The ID file that belongs to a write file name.
std::string IdFileName(const std::string& writeFile);

// False when the file cannot be opened; a malformed file is never an error.
bool ReadIdFile(const std::string& utf8Name, IdFileContents& contents);

// The address of ID1 that ID Check names: R8C 0x00FFDF, M32C 0xFFFFDF, any other text 0x0FFFDF.
std::uint32_t IdAddress(const std::string& family);

}  // namespace bramblet
