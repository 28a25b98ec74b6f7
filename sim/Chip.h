#pragma once
// The boot program of an R8C, M16C or M32C chip and the serial line to it, as a byte-in,
// byte-out model driven by time. The host's bytes go in with the time they were put on the line;
// what the host's UART receives comes out with the time its stop bit ends. Host and chip each
// run their UART at their own rate, and a byte sent at one rate and sampled at another arrives
// as a real UART would take it. Nothing here sleeps or reads a clock, so the same model serves
// the virtual wire of the tests (virtual time) and the pseudo-terminal program (real time).
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/Uart.h"
#include "writer/common/Family.h"
#include "writer/link/Rates.h"
#include "writer/link/SerialPort.h"

namespace bramblet::sim {

using IdCode = std::array<std::uint8_t, 7>;
using bramblet::Family;

using Block = bramblet::FlashBlock;

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

// SRD and SRD1 bits.
constexpr std::uint8_t kSrdReady = 0x80;
constexpr std::uint8_t kSrdEraseError = 0x20;
constexpr std::uint8_t kSrdProgramError = 0x10;
constexpr std::uint8_t kSrd1IdMask = 0x0C;
constexpr std::uint8_t kSrd1IdMismatch = 0x04;
constexpr std::uint8_t kSrd1IdVerified = 0x0C;
constexpr std::uint8_t kSrd1ReceiveTimeout = 0x02;

class Chip {
public:
    struct Reply {
        std::uint8_t byte;
        Time arrives;  // when its stop bit reaches the host
    };
    // One command as the boot program took it, for tests and the program's log.
    struct Event {
        Time at;
        std::uint8_t command;
        std::uint32_t address;  // page, block or ID address where the command has one
        bool refused;           // locked, error flags set, not understood, or a wrong ID code
    };

    explicit Chip(const ChipConfig& config);

    // The host's side of the line. Its calls come in time order, and each says that the host did
    // nothing else on the line before the time it gives.
    //
    // The host's UART runs at `baud` from `at` (9600 until the first call).
    void SetHostBaud(std::uint32_t baud, Time at);
    // The host started sending `byte` at `sent`, or right after its previous byte when its
    // transmitter was still busy then.
    void HostSends(std::uint8_t byte, Time sent);
    // The first byte the host's UART has received by `by`, or null. The model runs on with the
    // host idle, up to `by` or to that byte's arrival if sooner: the host sends nothing and keeps
    // its rate until then. The consumer pops each byte it takes.
    const Reply* NextReply(Time by);
    void PopReply() { replies_.pop_front(); }
    // When a byte will next arrive at the host or the chip take one, if the host stays idle.
    std::optional<Time> NextEvent() const;

    // The chip's UART rate: 0 until it has synchronised. A baud-rate command's new rate shows
    // here at once; the UART takes it when the command's echo has left.
    std::uint32_t Baud() const { return chipRates_.back().baud; }

    // A reset pin pulse at `at`: pending input and output are lost, the ID must be checked again,
    // the UART goes back to its rate from reset.
    void Reset(Time at);
    // The host's modem lines from `at` (both cleared until the first call); they reach the pins
    // as the wiring says.
    void SetHostLines(Time at, bool dtr, bool rts);
    // False while the chip is held in reset or runs its own program.
    bool InBootMode() const { return state_ == State::Boot; }
    // The line from the host is cut at `at` (a cable pulled): no byte that starts later reaches
    // the chip, and one under way then arrives as whatever its first bits make.
    void CutHostLine(Time at);

    // Flash, outside the protocol: preload, inspect, save. Addresses outside the flash read 0xFF
    // and are not stored.
    std::uint8_t Read(std::uint32_t address) const;
    void Load(std::uint32_t address, std::span<const std::uint8_t> bytes);
    const std::vector<Block>& Blocks() const { return blocks_; }
    bool InFlash(std::uint32_t address) const;

    std::uint8_t Srd() const;
    bool IdVerified() const { return (srd1_ & kSrd1IdMask) == kSrd1IdVerified; }
    bool Silent() const { return silent_; }
    // Bytes the host has handed to the line, and bytes the chip has sent, so far.
    std::uint64_t BytesFromHost() const { return fromHostCount_; }
    std::uint64_t BytesToHost() const { return toHostCount_; }
    int PagesProgrammed() const { return pagesProgrammed_; }
    const std::vector<Event>& Log() const { return log_; }

private:
    enum class State { Boot, Program, HeldInReset };
    struct RateFrom {
        Time from;
        std::uint32_t baud;
    };
    void Advance(Time to);
    void TakeFromHost();
    void TakeAtHost();
    void Heard(const UartLine::Received& received);
    bool Knows(std::uint32_t baud) const;
    static std::uint32_t RateAt(const std::vector<RateFrom>& rates, Time t);
    void SetRate(std::vector<RateFrom>& rates, Time from, std::uint32_t baud) const;
    std::uint32_t ChipRateAt(Time t) const { return RateAt(chipRates_, t); }
    std::uint32_t HostRateAt(Time t) const { return RateAt(hostRates_, t); }
    UartLine::RateAt ChipReceiver() const;
    UartLine::RateAt HostReceiver() const;
    void ResetAt(Time at);
    // Carries out a reset or hang that falls due by `limit`, having first taken both lines up
    // to its moment, so nothing after it is decided as if it had not happened.
    void FireDue(Time limit);
    bool StopDue(Time at) const;
    void HangAt(Time at);
    const ByteFault* LineFault(Direction direction, std::uint64_t index) const;
    std::size_t FrameLength(std::uint8_t command) const;
    void Execute(Time at);
    void Emit(std::span<const std::uint8_t> bytes, Time at);
    void Emit(std::initializer_list<std::uint8_t> bytes, Time at);
    bool IdAreaBlank() const;
    void PowerOn();
    std::uint8_t* Cell(std::uint32_t address);
    int BlockOf(std::uint32_t address) const;
    void EraseBlock(int block);
    void ProgramPage(std::uint32_t base, std::span<const std::uint8_t> data);
    void Note(Time at, std::uint8_t command, std::uint32_t address, bool refused);
    bool PinActive(const std::optional<PinWire>& pin, bool unwired) const;
    State StateFromPins() const;

    ChipConfig config_;
    std::vector<Block> blocks_;
    std::vector<std::vector<std::uint8_t>> memory_;  // one vector per block
    std::vector<bool> locked_;                       // lock bit programmed (0) per block
    bool lockBitsEnabled_ = true;

    UartLine fromHost_;                // sampled by the chip's UART
    UartLine toHost_;                  // sampled by the host's UART
    std::vector<RateFrom> chipRates_;  // in time order; 0: not synchronised
    std::vector<RateFrom> hostRates_;
    Time hostTime_{0};  // the host has done all it does before this
    Time txFree_{0};    // when the chip's transmitter can start its next byte
    Time busyUntil_{0};
    Time lastArrival_{0};

    std::vector<std::uint8_t> frame_;  // the command being received
    std::size_t frameLength_ = 0;
    int zeroRun_ = 0;
    std::uint8_t srdErrors_ = 0;
    std::uint8_t srd1_ = 0;
    std::uint16_t checkSum_ = 0;
    int pagesProgrammed_ = 0;
    bool silent_ = false;
    bool resetFired_ = false;
    std::uint64_t fromHostCount_ = 0;
    std::uint64_t toHostCount_ = 0;
    int erases_ = 0;
    int pageCommands_ = 0;
    std::optional<Time> resetDue_;
    std::optional<Time> hangDue_;
    std::optional<Time> hostCut_;

    bool dtr_ = false;  // the host's lines
    bool rts_ = false;
    State state_ = State::Boot;
    Time listensFrom_{0};

    std::deque<Reply> replies_;  // received by the host, not yet taken
    std::vector<Event> log_;
};

}  // namespace bramblet::sim
