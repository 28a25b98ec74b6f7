#pragma once
// How a board's run ended, as one JSON object: the last line of --json for the board and, with
// the time, the write file and the boot program's version, its line in the run log.
#include <cstdint>
#include <optional>
#include <string>

#include "writer/cli/Json.h"
#include "writer/core/Outcome.h"
#include "writer/flash/Image.h"

namespace bramblet {

struct BoardReport {
    std::string command;  // as typed: "write"
    std::string port;
    // The USB adapter behind the port, when known: its serial number and place tell a station's
    // identical cables apart in the log.
    std::string portSerial;
    std::string portLocation;
    bool adapterKnown = false;
    std::optional<int> latencyMs;  // the adapter's latency timer, read when the port opened
    Outcome outcome;
    std::int64_t milliseconds = 0;
    std::optional<std::uint64_t> serial;   // the number this board was given
    std::optional<ImageDigest> image;      // of the image the command wrote or compared
    text::Lang language = text::Lang::En;  // of the words the detail adds
};

// {"event":"result","port":...}: every member always present, null where it does not apply,
// except what is known only of some ports (the adapter's identity and latency timer).
// A failed board's serial number is void: it was given and is never given again.
std::string ResultLine(const BoardReport& report);

// {"time":...,"file":...,"version":...,"port":...}: the result's members after those.
std::string LogLine(const BoardReport& report, const std::string& time, const std::string& file,
                    const std::string& version);

}  // namespace bramblet
