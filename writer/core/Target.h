#pragma once
// What an operation works on, given when it starts: the faces read their controls or options once
// and the sequences never ask again.
#include <cstdint>
#include <optional>
#include <string>

#include "writer/common/Family.h"
#include "writer/flash/IdFile.h"
#include "writer/flash/Image.h"

namespace bramblet {

// The link beyond the design's, for the command line. The window always runs the design's.
struct LinkOptions {
    // 0: the design's link (19200 baud, 38400 on the mode-pin link). 9600: the same link at
    // 9600 from the start, for chips that know no other rate. Higher: connect as the design
    // does, then move the chip and the port to this rate before the ID check. Any rate but 0
    // also reads each status poll's two bytes and each Page Read's 256 as soon as they come.
    std::uint32_t baud = 0;
};

struct Target {
    std::string port;              // as the user typed or picked it
    std::optional<Family> family;  // nothing: a text that names no family
    bool modePin = false;          // the ModePin option, which only the R8C's link heeds
    std::string writeFile;         // the S-record file; empty for an erase without one
    LinkOptions link;
    // This board's own bytes over the write file's (a serial number); the window gives none.
    ImagePatch patch;

    // The ID file beside the write file, the second source of the ID code.
    std::string IdFile() const { return IdFileName(writeFile); }
};

}  // namespace bramblet
