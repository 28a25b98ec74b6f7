#pragma once
// ID files: the write file's name with the extension ".id". Line 2 starts with the family's ID
// address in hex and, like lines 3 to 8, ends with the two hex digits of one ID code byte.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "writer/common/Family.h"
#include "writer/flash/Image.h"

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

// The code as bytes of the image, at the family's seven ID addresses: a chip written with them
// asks for the code at its next connection.
ImagePatch IdCodePatch(std::optional<Family> family, const IdCodeBytes& code);

// The bytes a write file holds at the code's addresses that differ from the code, at their
// addresses, from a scan with IdCodePatch laid over (or that patch added to another).
std::vector<ImagePatch::Byte> IdCodeConflicts(const ImageScan& scan, const ImagePatch& patch);

// An ID file for the code: line 1 the family's name, then ID1 to ID7 each on a line of its own,
// its address in hex, a colon and the byte. ID1's address is written so that its first four
// characters are the family's tag, and read back it names the family (none for R8CM, which
// has no tag). Lines end in CR LF.
std::string IdFileText(std::optional<Family> family, const IdCodeBytes& code);

enum class IdFileSave {
    Written,
    OtherCode,  // the file there holds another code and was kept
    Failed,
};

// Writes the ID file `utf8Name` for the code, whole or not at all. A file there that holds
// another code is the only record of the chips already protected with it, so it is replaced
// only with `force`. `error` says why a write failed, in `lang`.
IdFileSave SaveIdFile(const std::string& utf8Name, std::optional<Family> family,
                      const IdCodeBytes& code, bool force, std::string& error,
                      text::Lang lang = text::Lang::En);

}  // namespace bramblet
