#pragma once
// Reading a chip back with one Page Read per page, for read and blank-check. The caller has
// connected and unlocked the chip.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "text/Catalogue.h"
#include "writer/cli/Options.h"
#include "writer/flash/PageSink.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

// Percent of the range read.
using ReadProgress = std::function<void(int)>;

// Why reading ended before the range did.
struct ReadFailure {
    std::string reason;
    std::optional<std::uint32_t> page;  // the page that came short
    PortLoss lost;                      // the port's loss, when that ended the read
    bool noReply = false;               // the chip's bytes did not all come
};

// What a port's loss means, for standard error. Every reason below is in `lang`.
std::string LossText(const PortLoss& loss, text::Lang lang = text::Lang::En);

// Every page of `range` in order, handed to `take` until it returns false; nothing when the range
// was read.
std::optional<ReadFailure> ReadPages(
    SerialPort& port, const PageRange& range, const ReadProgress& progress,
    const std::function<bool(std::uint32_t, const PageImage&)>& take,
    text::Lang lang = text::Lang::En);

// The range in `utf8File`, in the format its extension names (MakeImageWriter): S-records (S1
// and S9 when it ends at or below 0xFFFF, else S2 and S8) or Intel HEX leave out pages that are
// all 0xFF, a raw binary holds the whole range. The file is written beside its name and renamed
// when whole, so a failed or interrupted read leaves no file, or the old one untouched.
std::optional<ReadFailure> ReadToFile(SerialPort& port, const PageRange& range,
                                      const std::string& utf8File, const ReadProgress& progress,
                                      text::Lang lang = text::Lang::En);

struct BlankCheckResult {
    std::optional<std::uint32_t> used;  // the first byte that is not 0xFF; none when all erased
    std::optional<ReadFailure> failure;
};
BlankCheckResult FirstUsedByte(SerialPort& port, const PageRange& range,
                               const ReadProgress& progress, text::Lang lang = text::Lang::En);

}  // namespace bramblet
