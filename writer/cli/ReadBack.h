#pragma once
// Reading a chip back with one Page Read per page, for read and blank-check. The caller has
// connected and unlocked the chip.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "writer/cli/Options.h"
#include "writer/flash/PageSink.h"
#include "writer/link/SerialPort.h"

namespace bramblet {

struct ReadControl {
    std::function<bool()> stop;         // asked before each page: give up now
    std::function<void(int)> progress;  // percent of the range read
};

// Why reading ended before the range did; nothing when it did not.
struct ReadFailure {
    std::string reason;
    std::optional<std::uint32_t> page;  // the page that came short
};

// What a port's loss means, for standard error.
std::string LossText(const PortLoss& loss);

// Every page of `range` in order, handed to `take` until it returns false.
std::optional<ReadFailure> ReadPages(
    SerialPort& port, const PageRange& range, const ReadControl& control,
    const std::function<bool(std::uint32_t, const PageImage&)>& take);

// The range as S-records in `utf8File` (S1 and S9 when it ends at or below 0xFFFF, else S2 and
// S8), leaving out pages that are all 0xFF. The file is written beside its name and renamed when
// whole, so a failed or interrupted read leaves no file, or the old one untouched.
std::optional<ReadFailure> ReadToFile(SerialPort& port, const PageRange& range,
                                      const std::string& utf8File, const ReadControl& control);

// The address of the first byte of the range that is not 0xFF, or none when it is all erased.
std::optional<std::uint32_t> FirstUsedByte(SerialPort& port, const PageRange& range,
                                           const ReadControl& control,
                                           std::optional<ReadFailure>& failure);

}  // namespace bramblet
