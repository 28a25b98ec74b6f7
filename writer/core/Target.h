#pragma once
// What an operation works on, given when it starts: the faces read their controls or options once
// and the sequences never ask again.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "writer/common/Family.h"
#include "writer/core/Lines.h"
#include "writer/flash/IdFile.h"
#include "writer/flash/Image.h"

namespace bramblet {

// The link beyond the design's, for the command line and the window's own menu.
struct LinkOptions {
    // 0: the design's link (19200 baud, 38400 on the mode-pin link). 9600: the same link at
    // 9600 from the start, for chips that know no other rate. Higher: connect as the design
    // does, then move the chip and the port to this rate before the ID check. Any rate but 0
    // also reads each status poll's two bytes and each Page Read's 256 as soon as they come.
    std::uint32_t baud = 0;
    // Run on the modem lines once the port is set up, before anything is sent, and when the
    // work on the chip has ended, before the port closes. A port without modem lines is refused
    // before anything is sent when either is given.
    LineSequence before{};
    LineSequence after{};
    // How long the adapter may hold a short reply (a USB adapter's latency timer); every reply
    // window grows by it. 0: the design's windows.
    std::chrono::milliseconds adapterLatency{0};
};

// How a write erases, programs and verifies, beyond the design's, for the command line (the
// window's menu chooses only the verify).
struct FlashOptions {
    // Erase the blocks holding these addresses, one Block Erase each, instead of every
    // unlocked block (write and erase); or, for a write, nothing at all.
    std::vector<std::uint32_t> eraseBlocks;
    bool noErase = false;
    // A page whose image is all 0xFF is left as the erase left it; it is still verified.
    bool skipBlank = false;
    // Verify a write by the chip's check data (the sum of the bytes it was sent to program)
    // instead of reading every page back.
    bool verifyBySum = false;
};

struct Target {
    std::string port;              // as the user typed or picked it
    std::optional<Family> family;  // nothing: a text that names no family
    bool modePin = false;          // the ModePin option, which only the R8C's link heeds
    std::string writeFile;         // the S-record file; empty for an erase without one
    LinkOptions link;
    FlashOptions flash{};
    // This board's own bytes over the write file's (a serial number); the window gives none.
    ImagePatch patch;
    // How the write file is read: the window reads S-records by their name, the command line any
    // format by its content.
    FileReading reading{};

    // The ID file beside the write file, the second source of the ID code.
    std::string IdFile() const { return IdFileName(writeFile); }
};

}  // namespace bramblet
