// The ID file reader against a plain reading of the file's rules: the seven code bytes from
// the last two characters of lines 2 to 8, the family from the first four characters of line 2.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/ScratchFile.h"
#include "writer/flash/IdFile.h"

namespace {

using namespace bramblet;

void Check(bool holds) {
    if (!holds) std::abort();
}

// The text as the reader sees it: carriage returns dropped, a byte 0x1A ending it.
std::string AsText(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        if (c == '\x1A') break;
        if (c != '\r') text += c;
    }
    return text;
}

int Nibble(unsigned char c) {
    return c >= 0x41 ? (c - 0x37) & 0x0F : (c - 0x30) & 0x0F;
}

IdFileContents Model(const std::string& text) {
    IdFileContents contents;
    // Only lines ended by a line feed give a byte; a line too short for two characters reads
    // as if a NUL and the line feed before it came first.
    std::size_t start = 0;
    for (int line = 1; line <= 8; ++line) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;
        if (line >= 2) {
            const std::string padded = std::string("\0\n", 2) + text.substr(start, end - start);
            const auto hi = static_cast<unsigned char>(padded[padded.size() - 2]);
            const auto lo = static_cast<unsigned char>(padded[padded.size() - 1]);
            contents.code[line - 2] = static_cast<std::uint8_t>(Nibble(hi) << 4 | Nibble(lo));
        }
        start = end + 1;
    }
    // The family: reading stops at a byte 0xFF anywhere before it; on line 2 a blank or a colon
    // ends the tag, and so does the line's end.
    std::string tag;
    int line = 1;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) == 0xFF) break;
        if (c == '\n') {
            if (++line > 2) break;
            continue;
        }
        if (line == 2) {
            if (c == ' ' || c == ':') break;
            tag += c;
        }
    }
    tag = tag.substr(0, 4);
    if (tag == "0FFD") contents.family = Family::R8C;
    if (tag == "FFFD") contents.family = Family::M16C;
    if (tag == "FFFF") contents.family = Family::M32C;
    return contents;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFile file(".id");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    file.Write({}, bytes);
    const std::optional<IdFileContents> contents = ReadIdFile(file.Path());
    Check(contents.has_value());
    const IdFileContents model = Model(AsText(bytes));
    Check(contents->code == model.code);
    Check(contents->family == model.family);

    // The same bytes as a write file's name: the ID file's name replaces its extension.
    const std::string name = IdFileName(bytes);
    Check(name.size() >= 3 && name.compare(name.size() - 3, 3, ".id") == 0);
    Check(bytes.compare(0, name.size() - 3, name, 0, name.size() - 3) == 0);
    return 0;
}
