#pragma once
// The boot program of an R8C, M16C or M32C chip, as a byte-in, byte-out model driven by time.
// The host's bytes go in with the time they were put on the line; the chip's answers come out
// with the time their stop bit reaches the host. Nothing here sleeps or reads a clock, so the
// same model serves the virtual wire of the tests (virtual time) and the pseudo-terminal
// program (real time).
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bramblet::sim {

using Time = std::chrono::nanoseconds;
using IdCode = std::array<std::uint8_t, 7>;

enum class Family { R8C, M16C, M32C };

// One byte on the line is 10 bit times: start bit, 8 data bits, stop bit.
constexpr Time ByteTime(std::uint32_t baud) {
    return Time((10'000'000'000LL + baud / 2) / baud);
}

struct Block {
    std::uint32_t start;
    std::uint32_t size;
};

// The flash of a typical member of each family, program ROM and data flash.
std::vector<Block> DefaultBlocks(Family family);
// The address of ID1; ID2 to ID7 follow at +4, +0xC, +0x10, +0x14, +0x18, +0x1C.
std::uint32_t IdAddress(Family family);
std::array<std::uint32_t, 7> IdAddresses(Family family);
std::optional<Family> ParseFamily(const std::string& text);
const char* FamilyName(Family family);

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
};

struct ChipConfig {
    Family family = Family::R8C;
    std::vector<Block> blocks;       // empty: the family's default flash
    std::optional<IdCode> idCode;    // programmed at the ID addresses; none: the ID area is blank
    bool verifiedWhenBlank = false;  // some groups report the ID verified at once when blank
    std::string version = "VER.1.00";
    // A chip that runs its UART at one fixed rate (an R8C started by its MODE pin) loses every
    // byte sent at another rate. 0: the chip follows the host's rate.
    std::uint32_t fixedBaud = 0;
    Time pageProgramTime = std::chrono::microseconds(12800);  // 256 bytes at 50 us
    Time blockEraseTime = std::chrono::milliseconds(100);
    // A command whose next byte comes later than this is discarded (SRD1 bit 1).
    Time receiveTimeout = std::chrono::milliseconds(100);
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
        bool refused;           // locked, error flags set, or not understood
    };

    explicit Chip(const ChipConfig& config);

    // The line's rate as the host set it; the chip follows unless it has a fixed rate.
    void SetBaud(std::uint32_t baud);
    std::uint32_t Baud() const { return baud_; }
    Time ByteDuration() const { return byteTime_; }

    // The host started sending `byte` at `sent`, or right after its previous byte when its
    // transmitter was still busy then. Bytes are given in the order they were sent.
    void HostSends(std::uint8_t byte, Time sent);

    // Answers in order; the consumer takes each once it has arrived.
    const Reply* NextReply() const { return replies_.empty() ? nullptr : &replies_.front(); }
    void PopReply() { replies_.pop_front(); }

    // A reset pin pulse at `at`: pending input and output are lost, the ID must be checked again.
    void Reset(Time at);

    // Flash, outside the protocol: preload, inspect, save. Addresses outside the flash read 0xFF
    // and are not stored.
    std::uint8_t Read(std::uint32_t address) const;
    void Load(std::uint32_t address, std::span<const std::uint8_t> bytes);
    const std::vector<Block>& Blocks() const { return blocks_; }
    bool InFlash(std::uint32_t address) const;

    std::uint8_t Srd() const;
    std::uint8_t Srd1() const { return srd1_; }
    bool Silent() const { return silent_; }
    int PagesProgrammed() const { return pagesProgrammed_; }
    const std::vector<Event>& Log() const { return log_; }
    const ChipConfig& Config() const { return config_; }

private:
    std::size_t FrameLength(std::uint8_t command) const;
    void Execute(Time at);
    void Emit(std::span<const std::uint8_t> bytes, Time at);
    void Emit(std::initializer_list<std::uint8_t> bytes, Time at);
    bool IdVerified() const { return (srd1_ & kSrd1IdMask) == kSrd1IdVerified; }
    bool IdAreaBlank() const;
    void PowerOn();
    std::uint8_t* Cell(std::uint32_t address);
    int BlockOf(std::uint32_t address) const;
    void EraseBlock(int block);
    void ProgramPage(std::uint32_t base, std::span<const std::uint8_t> data);
    void Note(Time at, std::uint8_t command, std::uint32_t address, bool refused);

    ChipConfig config_;
    std::vector<Block> blocks_;
    std::vector<std::vector<std::uint8_t>> memory_;  // one vector per block
    std::vector<bool> locked_;                       // lock bit programmed (0) per block
    bool lockBitsEnabled_ = true;

    std::uint32_t baud_ = 0;
    Time byteTime_ = ByteTime(9600);
    Time rxFree_{0};  // when the host's transmitter can start its next byte
    Time txFree_{0};  // the same for the chip's transmitter
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

    std::deque<Reply> replies_;
    std::vector<Event> log_;
};

}  // namespace bramblet::sim
