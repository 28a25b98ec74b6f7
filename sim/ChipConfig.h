#pragma once
// What a simulated chip is: its family, flash, ID code, rates, timing, the board's wiring of its
// pins, and the faults it shows.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/Flash.h"
#include "sim/Uart.h"
#include "writer/common/Family.h"
#include "writer/link/SerialPort.h"

namespace bramblet::sim {

using IdCode = std::array<std::uint8_t, 7>;
using bramblet::Family;

// The flash of a typical member of each family, program ROM and data flash: the writer's table.
std::vector<Block> DefaultBlocks(Family family);
// The addresses of ID1 to ID7: the family's ID address, then +4, +0xC, +0x10, +0x14, +0x18, +0x1C.
std::array<std::uint32_t, 7> IdAddresses(Family family);
// The families a simulated chip can be: R8CM names only an ID address, not a chip of its own.
std::optional<Family> ParseChipFamily(const std::string& text);

// Noise on the line that spoils one byte of one direction. Bytes are counted from the first the
// line carries that way, from 0; a byte the chip sends counts whether or not it reaches the host.
enum class Direction { ToChip, ToHost };
struct ByteFault {
    enum class Kind {
        Drop,  // the byte's time passes with the line idle: the receiver never sees it
        Flip,  // the bits of `value` arrive inverted
        Add,   // a byte `value` comes first, and this one and all after it a byte time later
    };
    Direction direction = Direction::ToChip;
    Kind kind = Kind::Drop;
    std::uint64_t index = 0;
    std::uint8_t value = 0;
};

// Misbehaviour to inject. The defaults are a healthy chip.
struct Faults {
    // Synchronisation zeros get no answer (0), or the k-th zero in a row gets `syncAnswer`.
    int syncAnswerAfter = 0;
    std::vector<std::uint8_t> syncAnswer = {0x00};
    // Replaces the one-byte echo of a Baud Rate Check (0xB0 to 0xB4).
    std::optional<std::vector<std::uint8_t>> baudEcho;
    // How many of the two status bytes (SRD, SRD1) a Read Status Register reply really sends.
    int statusReplyLength = 2;
    // How many of the 256 bytes a Page Read reply really sends.
    int pageReadLength = 256;
    // No boot program at all: the line returns every byte the host sends (a loop-back).
    bool loopBack = false;
    // After this many Page Programs the next one finds the chip gone silent, or reset.
    std::optional<int> silentAfterPages;
    std::optional<int> resetAfterPages;
    // A Page Read returns the byte at this address with its lowest bit flipped.
    std::optional<std::uint32_t> corruptReadAddress;
    // Bytes the chip sends at power-on, before the host has said anything.
    std::vector<std::uint8_t> powerOnNoise;
    std::vector<ByteFault> lineFaults;
    // The chip is reset at the moment the host's byte with this index (counted as lineFaults
    // count) starts on the line, or at this moment of the clock. The byte is heard after the
    // reset; a byte under way at that moment is lost or garbled.
    std::optional<std::uint64_t> resetAtHostByte;
    std::optional<Time> resetAt;
    // The boot program hangs at the moment the host's byte with this index starts on the line:
    // from then on it hears nothing and sends nothing, not even the rest of an answer under way.
    std::optional<std::uint64_t> silentFromHostByte;
    // The erase (Erase All or Block Erase, counted from 0 among those the chip carries out) or
    // Page Program (counted the same way) that fails: the erase error flag is set and nothing is
    // erased, or the program error flag is set and only the first half of the page is written.
    std::optional<int> eraseErrorAt;
    std::optional<int> programErrorAt;
};

// A pin of the chip that one of the host's modem lines drives, through the adapter and the board.
struct PinWire {
    ModemLine line;
    bool inverted = false;  // the pin is at its active level while the line is cleared
};

// RESET and the mode pin (MODE on the R8C, CNVss on the M16C and M32C) as the board wires them
// to the host's adapter. A pin not wired is the board's: RESET released from power-on, the mode
// pin at its boot level, as for a board the user powers up in boot mode. The chip samples the
// mode pin as RESET is released: at its boot level the boot program starts, else the chip runs
// its own program, which answers nothing on this line, until the next reset.
struct Wiring {
    std::optional<PinWire> reset;  // active: the chip is held in reset
    std::optional<PinWire> mode;   // active: the boot level
    // From the release of RESET by the line until the boot program listens.
    Time bootStart = std::chrono::milliseconds(1);
};

struct ChipConfig {
    Family family = Family::R8C;
    std::vector<Block> blocks;       // empty: the family's default flash
    std::optional<IdCode> idCode;    // programmed at the ID addresses; none: the ID area is blank
    bool verifiedWhenBlank = false;  // some groups report the ID verified at once when blank
    std::string version = "VER.1.00";
    // The UART's rate from reset, for a chip that does not take the host's rate (an R8C started
    // by its MODE pin runs at 38400). 0: until it synchronises the chip hears the host at any rate
    // it knows and answers at the host's rate; the first synchronisation zero or Baud Rate Check
    // then holds the UART at the rate it came at. Either way the baud-rate commands move it.
    std::uint32_t fixedBaud = 0;
    // The fastest of kLinkRates the boot program knows: it synchronises at no higher rate and
    // refuses the baud-rate commands of higher ones. Older M16C groups stop at 57600, the oldest
    // know only 9600.
    std::uint32_t maxBaud = 115200;
    Time pageProgramTime = std::chrono::microseconds(12800);  // 256 bytes at 50 us
    Time blockEraseTime = std::chrono::milliseconds(100);
    // A command whose next byte comes later than this is discarded (SRD1 bit 1).
    Time receiveTimeout = std::chrono::milliseconds(100);
    Wiring wiring;
    Faults faults;
};

}  // namespace bramblet::sim
