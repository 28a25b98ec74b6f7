#pragma once
// Sequences on the adapter's modem lines, for boards whose RESET and mode pins are wired to DTR
// and RTS: "dtr=1,rts=1,wait=50,rts=0,wait=100" holds the mode pin with DTR and pulses RESET
// with RTS.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "writer/link/SerialPort.h"

namespace bramblet {

struct LineStep {
    std::optional<ModemLine> line;  // nothing: a wait
    bool asserted = false;
    std::chrono::milliseconds wait{0};

    bool operator==(const LineStep&) const = default;
};
using LineSequence = std::vector<LineStep>;

// The longest wait a sequence takes, ten minutes: more is a typing error.
constexpr std::chrono::milliseconds kLongestLineWait{600'000};

// "dtr=0", "dtr=1", "rts=0", "rts=1" and "wait=MS", comma-separated; nothing for an empty or
// malformed text.
std::optional<LineSequence> ParseLineSequence(std::string_view text);

const char* LineName(ModemLine line);  // "DTR", "RTS"

// Runs the steps in order, up to the first line the port refuses (returned, with the port's
// words in `error`) or until the port is lost.
std::optional<ModemLine> RunLineSequence(SerialPort& port, const LineSequence& steps,
                                         std::string& error);

}  // namespace bramblet
