#include "writer/cli/Protect.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "text/Catalogue.h"
#include "writer/common/Text.h"

namespace bramblet {
namespace {

using text::Say;
using text::Tx;

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
      patch_(IdCodePatch(family, *options.setId)),
      lang_(options.OwnLanguage()) {}

std::optional<std::string> Protection::Refusal(const std::optional<ImageScan>& scan) const {
    const std::optional<IdFileContents> old = ReadIdFile(idFile_);
    if (!force_ && Exists(idFile_)) {
        if (!old) {
            return Say(Tx::CliIdFileUnreadable, lang_, {idFile_});
        }
        if (old->code != code_) {
            return Say(Tx::CliIdFileOther, lang_, {idFile_});
        }
    }
    const bool kept = old && old->code == code_;
    if (!kept && !Writable(idFile_)) return Say(Tx::CliIdFileUnwritable, lang_, {idFile_});
    if (!scan) return std::nullopt;
    const std::vector<ImagePatch::Byte> conflicts = IdCodeConflicts(*scan, patch_);
    if (conflicts.empty()) return std::nullopt;
    std::string text = Say(Tx::CliIdConflicts, lang_, {writeFile_});
    const std::vector<ImagePatch::Byte> code = patch_.All();
    for (const ImagePatch::Byte& held : conflicts) {
        for (const ImagePatch::Byte& wanted : code) {
            if (wanted.address != held.address) continue;
            text += Say(Tx::CliIdConflict, lang_,
                        {Hex(held.address, 6), Hex(held.value, 2), Hex(wanted.value, 2)});
        }
    }
    text.back() = '.';
    return text;
}

std::optional<std::string> Protection::Record(std::string& done) const {
    const std::optional<IdFileContents> old = ReadIdFile(idFile_);
    if (old && old->code == code_) {
        done = Say(Tx::CliIdAlreadyHeld, lang_, {idFile_});
        return std::nullopt;
    }
    std::string error;
    switch (SaveIdFile(idFile_, family_, code_, force_, error, lang_)) {
        case IdFileSave::Written:
            done = Say(Tx::CliIdKept, lang_, {idFile_});
            return std::nullopt;
        case IdFileSave::OtherCode:
            return Say(Tx::CliIdGivenOther, lang_, {idFile_});
        case IdFileSave::Failed:
            break;
    }
    return Say(Tx::CliChipsHoldSetId, lang_, {error});
}

}  // namespace bramblet
