#include "writer/flash/IdFile.h"

#include "writer/common/Text.h"
#include "writer/flash/TextFile.h"

namespace bramblet {

std::string IdFileName(const std::string& writeFile) {
    return writeFile.substr(0, ExtensionStart(writeFile)) + ".id";
}

std::optional<IdFileContents> ReadIdFile(const std::string& utf8Name) {
    TextFile in;
    if (!in.Open(utf8Name)) return std::nullopt;
    IdFileContents contents;
    std::string tag;
    bool tagOpen = true;  // a blank, a colon or a byte 0xFF ends the family tag for good
    int line = 1;
    // The byte of a line comes from its last two characters. A line shorter than that reads as
    // if it were preceded by a NUL and the line feed before it: "" gives 0x0A, "5" gives 0xA5.
    int before = 0, last = '\n';
    for (int c = in.Get(); c != TextFile::kEnd; c = in.Get()) {
        if (c == '\n') {
            if (line >= 2 && line <= 8) {
                contents.code[line - 2] =
                    static_cast<std::uint8_t>(HexNibble(before) << 4 | HexNibble(last));
            }
            if (line == 2) tagOpen = false;
            ++line;
            before = 0;
            last = '\n';
            continue;
        }
        before = last;
        last = c;
        if (line == 2 && tagOpen) {
            if (c == ' ' || c == ':' || c == 0xFF) {
                tagOpen = false;
            } else if (tag.size() < 4) {  // only the first four characters name the family
                tag.push_back(static_cast<char>(c));
            }
        }
        if (line == 1 && c == 0xFF) tagOpen = false;
    }
    contents.family = FamilyByIdFileTag(tag);
    return contents;
}

}  // namespace bramblet
