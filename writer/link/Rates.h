#pragma once
// The rates the boot programs know, and the baud-rate command of each. This table is the writer's
// one list of rates: the protocol, both serial ports and the command line's options take theirs
// from here. The simulated chip keeps its own copy on purpose, as an oracle for this one.
#include <array>
#include <cstdint>
#include <optional>

namespace bramblet {

struct LinkRate {
    std::uint32_t baud;
    // 0xB0 is the Baud Rate Check, 9600 in the datasheets' tables; the connection sends it at
    // whatever rate the line runs and the chip echoes it there. The others move the chip: it
    // echoes at the old rate, then listens at the new one.
    std::uint8_t code;
};

inline constexpr std::array<LinkRate, 5> kLinkRates = {{
    {9600, 0xB0},
    {19200, 0xB1},
    {38400, 0xB2},
    {57600, 0xB3},
    {115200, 0xB4},
}};

constexpr bool IsLinkRate(std::uint32_t baud) {
    for (const LinkRate& rate : kLinkRates) {
        if (rate.baud == baud) return true;
    }
    return false;
}

// The command that moves the chip to `baud` (19200 to 115200); nothing for another rate.
constexpr std::optional<std::uint8_t> BaudRateCode(std::uint32_t baud) {
    for (const LinkRate& rate : kLinkRates) {
        if (rate.baud == baud && rate.baud != kLinkRates.front().baud) return rate.code;
    }
    return std::nullopt;
}

// The rate a baud-rate command names; nothing for a byte that is none.
constexpr std::optional<std::uint32_t> RateOfCode(std::uint8_t code) {
    for (const LinkRate& rate : kLinkRates) {
        if (rate.code == code) return rate.baud;
    }
    return std::nullopt;
}

}  // namespace bramblet
