#pragma once
// write --set-id: the chips are written with an ID code at the family's ID addresses, and the
// code is kept in the ID file beside the write file, where the next connection, the window and
// commands without --id find it.
#include <optional>
#include <string>

#include "writer/cli/Options.h"
#include "writer/flash/IdFile.h"
#include "writer/flash/Image.h"

namespace bramblet {

class Protection {
public:
    // For a write with --set-id, to chips of `family`.
    Protection(const Options& options, Family family);

    // The code's bytes in every board's image.
    const ImagePatch& Patch() const { return patch_; }

    // Why the run must not start, before anything is sent: an ID file that holds another code
    // (or cannot be read) without --force, one that could not be written afterwards, or a write
    // file that supplies other bytes at the code's addresses (from `scan`, the file with Patch()
    // laid over; nothing when the file cannot be read, which the write itself refuses).
    std::optional<std::string> Refusal(const std::optional<ImageScan>& scan) const;

    // Once a board has been written and verified with the code: keeps it in the ID file, which
    // an ID file that already holds it is left as it is. What went wrong, if anything; `done`
    // says what was done.
    std::optional<std::string> Record(std::string& done) const;

private:
    const Family family_;
    const IdCodeBytes code_;
    const bool force_;
    const std::string idFile_;
    const std::string writeFile_;
    const ImagePatch patch_;
    const text::Lang lang_;  // of the reasons and of what was done
};

}  // namespace bramblet
