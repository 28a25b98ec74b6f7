#include "writer/cli/Protect.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "writer/common/Text.h"

namespace bramblet {
namespace {

bool Exists(const std::string& utf8Name) {
    std::error_code ec;
    return std::filesystem::exists(Utf8Path(utf8Name), ec);
}

// Whether the ID file could be written where it goes. Chips protected with a code that no file
// records are locked to anyone who did not keep the command line.
bool Writable(const std::string& utf8Name) {
    const std::string part = utf8Name + ".part";
    const bool left = Exists(part);
    bool opened = false;
    {
        std::ofstream out(Utf8Path(part), std::ios::binary | std::ios::app);
        opened = out.is_open();
    }
    std::error_code ec;
    if (opened && !left) std::filesystem::remove(Utf8Path(part), ec);
    return opened;
}

}  // namespace

Protection::Protection(const Options& options, Family family)
    : family_(family),
      code_(*options.setId),
      force_(options.force),
      idFile_(IdFileName(options.file)),
      writeFile_(options.file),
      patch_(IdCodePatch(family, *options.setId)) {}

std::optional<std::string> Protection::Refusal(const std::optional<ImageScan>& scan) const {
    const std::optional<IdFileContents> old = ReadIdFile(idFile_);
    if (!force_ && Exists(idFile_)) {
        if (!old) {
            return "--set-id: the ID file " + idFile_ +
                   " cannot be read, so the code it keeps is unknown; --force replaces it";
        }
        if (old->code != code_) {
            return "--set-id: the ID file " + idFile_ +
                   " holds another ID code, which chips written before may need; --force "
                   "replaces it";
        }
    }
    const bool kept = old && old->code == code_;
    if (!kept && !Writable(idFile_)) return "--set-id: cannot write the ID file " + idFile_;
    if (!scan) return std::nullopt;
    const std::vector<ImagePatch::Byte> conflicts = IdCodeConflicts(*scan, patch_);
    if (conflicts.empty()) return std::nullopt;
    std::string text =
        "--set-id: " + writeFile_ + " supplies other bytes at the ID code's addresses:";
    const std::vector<ImagePatch::Byte> code = patch_.All();
    for (const ImagePatch::Byte& held : conflicts) {
        for (const ImagePatch::Byte& wanted : code) {
            if (wanted.address != held.address) continue;
            text += " " + Hex(held.address, 6) + " holds " + Hex(held.value, 2) + ", not " +
                    Hex(wanted.value, 2) + ";";
        }
    }
    text.back() = '.';
    return text;
}

std::optional<std::string> Protection::Record(std::string& done) const {
    const std::optional<IdFileContents> old = ReadIdFile(idFile_);
    if (old && old->code == code_) {
        done = "the ID file " + idFile_ + " already holds the ID code";
        return std::nullopt;
    }
    std::string error;
    switch (SaveIdFile(idFile_, family_, code_, force_, error)) {
        case IdFileSave::Written:
            done = "the ID code is kept in " + idFile_;
            return std::nullopt;
        case IdFileSave::OtherCode:
            return "the ID file " + idFile_ +
                   " was given another ID code during the write and is kept; the chips written "
                   "hold the code of --set-id";
        case IdFileSave::Failed:
            break;
    }
    return error + "; the chips written hold the code of --set-id";
}

}  // namespace bramblet
