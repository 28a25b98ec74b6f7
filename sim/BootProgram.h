#pragma once
// The boot program's commands over the chip's state: one handler per command, looked up by its
// first byte. A handler decides what the command does to the flash and the status registers and
// what it answers; when and at what rate the answer goes out is the line's business (Chip), and
// misbehaviour is a layer around the handlers (CommandFaults).
//
// The command bytes and frame layouts are written here from the chip's documentation and on
// purpose not taken from the writer's protocol code: the simulated chip is the oracle that code
// is tested against, and sharing its constants would let a wrong byte pass both sides.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/ChipConfig.h"

namespace bramblet::sim {

// SRD and SRD1 bits.
constexpr std::uint8_t kSrdReady = 0x80;
constexpr std::uint8_t kSrdEraseError = 0x20;
constexpr std::uint8_t kSrdProgramError = 0x10;
constexpr std::uint8_t kSrd1IdMask = 0x0C;
constexpr std::uint8_t kSrd1IdMismatch = 0x04;
constexpr std::uint8_t kSrd1IdVerified = 0x0C;
constexpr std::uint8_t kSrd1ReceiveTimeout = 0x02;

// The first bytes of the commands the fault layer and the line look at.
constexpr std::uint8_t kSync = 0x00;
constexpr std::uint8_t kBaudRateCheck = 0xB0;
constexpr std::uint8_t kReadStatus = 0x70;
constexpr std::uint8_t kPageProgram = 0x41;
constexpr std::uint8_t kPageRead = 0xFF;
constexpr std::uint8_t kEraseAll = 0xA7;
constexpr std::uint8_t kBlockErase = 0x20;

// The rate a baud-rate command names (0xB0, the check, names 9600); nothing for another byte.
std::optional<std::uint32_t> BaudCommandRate(std::uint8_t code);
// A rate some boot program knows: one a baud-rate command names.
bool IsBootRate(std::uint32_t baud);

using Frame = std::span<const std::uint8_t>;

// What one command did, for the line to carry out.
struct CommandResult {
    std::uint32_t address = 0;  // page, block or ID address where the command has one
    bool refused = false;       // locked, error flags set, not understood, or a wrong ID code
    std::vector<std::uint8_t> reply;
    std::uint32_t newBaud = 0;  // the UART moves here once the reply has left; 0: it stays
    Time busy{0};               // the chip takes no next command before this has passed
    enum class Then { Listen, FallSilent, Reset } then = Then::Listen;
};

class BootProgram {
public:
    // The flash as the chip leaves the factory or the last writer: blank, with the ID code if any.
    explicit BootProgram(const ChipConfig& config);

    // How many bytes the command that starts with `first` takes, `first` included.
    static std::size_t FrameLength(std::uint8_t first);
    // The address a command's frame names, 0 for one that names none.
    static std::uint32_t AddressOf(Frame frame);
    // Whether the command would be carried out rather than refused, as things stand.
    bool Carries(Frame frame) const;
    CommandResult Run(Frame frame);

    // The state after power-on or a reset.
    void PowerOn();
    // A command's next byte came too late: it is dropped and the time-out flagged.
    void ReceiveTimedOut() { srd1_ |= kSrd1ReceiveTimeout; }
    void FlagErrors(std::uint8_t srdBits) { srdErrors_ |= srdBits; }

    bool Knows(std::uint32_t baud) const { return baud <= config_.maxBaud && IsBootRate(baud); }
    std::uint8_t Srd() const { return kSrdReady | srdErrors_; }
    bool IdVerified() const { return (srd1_ & kSrd1IdMask) == kSrd1IdVerified; }
    const Flash& Cells() const { return flash_; }
    Flash& Cells() { return flash_; }

private:
    enum class Guard { None, IdVerified, Unlocked, ConfirmedUnlocked };
    struct Command;
    static const Command& Find(std::uint8_t first);
    bool Unlocked() const { return IdVerified() && srdErrors_ == 0; }
    bool Allows(Guard guard) const;
    bool LockedNow(int block) const { return flash_.LockBit(block) && lockBitsEnabled_; }
    bool IdAreaBlank() const;

    CommandResult Sync(Frame frame);
    CommandResult ReadStatus(Frame frame);
    CommandResult ClearStatus(Frame frame);
    CommandResult Version(Frame frame);
    CommandResult IdCheck(Frame frame);
    CommandResult BaudRate(Frame frame);
    CommandResult PageProgram(Frame frame);
    CommandResult PageRead(Frame frame);
    CommandResult EraseAll(Frame frame);
    CommandResult BlockErase(Frame frame);
    CommandResult ProgramLockBit(Frame frame);
    CommandResult ReadLockBit(Frame frame);
    CommandResult SetLockBits(Frame frame);
    CommandResult CheckData(Frame frame);
    CommandResult Unknown(Frame frame);

    ChipConfig config_;
    Flash flash_;
    std::uint8_t srdErrors_ = 0;
    std::uint8_t srd1_ = 0;
    std::uint16_t checkSum_ = 0;  // of every byte programmed since the last Read Check Data
    bool lockBitsEnabled_ = true;
};

}  // namespace bramblet::sim
