#include "writer/flash/IdFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

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

ImagePatch IdCodePatch(std::optional<Family> family, const IdCodeBytes& code) {
    ImagePatch patch;
    const auto addresses = IdCodeAddresses(family);
    for (std::size_t i = 0; i < code.size(); ++i)
        patch.scattered.push_back({addresses[i], code[i]});
    return patch;
}

std::vector<ImagePatch::Byte> IdCodeConflicts(const ImageScan& scan, const ImagePatch& patch) {
    std::vector<ImagePatch::Byte> conflicts;
    const std::vector<ImagePatch::Byte> bytes = patch.All();
    for (std::size_t i = 0; i < bytes.size() && i < scan.held.size(); ++i) {
        if (scan.held[i] && *scan.held[i] != bytes[i].value) {
            conflicts.push_back({bytes[i].address, *scan.held[i]});
        }
    }
    return conflicts;
}

std::string IdFileText(std::optional<Family> family, const IdCodeBytes& code) {
    const auto addresses = IdCodeAddresses(family);
    // Five digits give the R8C's "0FFD" and the M16C's "FFFD"; the M32C's address has six. An
    // R8CM's address in six digits, "0FFF...", names no family rather than the M16C.
    const bool tagged = family && Info(*family).idFileTag;
    std::string text = std::string(family ? FamilyName(*family) : "ID") + "\r\n";
    for (std::size_t i = 0; i < code.size(); ++i) {
        text += Hex(addresses[i], tagged ? 5 : 6) + ":" + Hex(code[i], 2) + "\r\n";
    }
    return text;
}

IdFileSave SaveIdFile(const std::string& utf8Name, std::optional<Family> family,
                      const IdCodeBytes& code, bool force, std::string& error, text::Lang lang) {
    if (!force) {
        const std::optional<IdFileContents> old = ReadIdFile(utf8Name);
        if (old && old->code != code) return IdFileSave::OtherCode;
    }
    const std::filesystem::path target = Utf8Path(utf8Name);
    std::filesystem::path part = target;
    part += ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << IdFileText(family, code);
        out.close();
        if (!out) {
            error = text::Say(text::Tx::IdFileCannotWrite, lang, {utf8Name});
            std::error_code ec;
            std::filesystem::remove(part, ec);
            return IdFileSave::Failed;
        }
    }
    std::error_code ec;
    std::filesystem::rename(part, target, ec);
    if (!ec) return IdFileSave::Written;
    error = text::Say(text::Tx::IdFileCannotWriteWhy, lang, {utf8Name, ec.message()});
    std::filesystem::remove(part, ec);
    return IdFileSave::Failed;
}

}  // namespace bramblet
