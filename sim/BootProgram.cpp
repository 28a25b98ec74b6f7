#include "sim/BootProgram.h"

#include <algorithm>
#include <array>

namespace bramblet::sim {
namespace {

constexpr std::uint8_t kClearStatus = 0x50;
constexpr std::uint8_t kVersion = 0xFB;
constexpr std::uint8_t kCheckData = 0xFD;
constexpr std::uint8_t kIdCheck = 0xF5;
constexpr std::uint8_t kConfirm = 0xD0;
constexpr std::uint8_t kReadLockBit = 0x71;
constexpr std::uint8_t kProgramLockBit = 0x77;
constexpr std::uint8_t kLockBitEnable = 0x7A;
constexpr std::uint8_t kLockBitDisable = 0x75;

constexpr std::size_t kPage = 256;

struct BaudCommand {
    std::uint8_t code;
    std::uint32_t baud;
};
constexpr std::array<BaudCommand, 5> kBaudCommands = {{
    {kBaudRateCheck, 9600},
    {0xB1, 19200},
    {0xB2, 38400},
    {0xB3, 57600},
    {0xB4, 115200},
}};

// Page, block and lock-bit frames carry address bits 8-15, then 16-23.
std::uint32_t PageAddress(Frame frame) {
    return static_cast<std::uint32_t>(frame[1]) << 8 | static_cast<std::uint32_t>(frame[2]) << 16;
}

}  // namespace

std::optional<std::uint32_t> BaudCommandRate(std::uint8_t code) {
    for (const BaudCommand& command : kBaudCommands) {
        if (command.code == code) return command.baud;
    }
    return std::nullopt;
}

bool IsBootRate(std::uint32_t baud) {
    return std::any_of(kBaudCommands.begin(), kBaudCommands.end(),
                       [baud](const BaudCommand& command) { return command.baud == baud; });
}

struct BootProgram::Command {
    std::uint8_t code;
    std::size_t length;  // of the whole frame
    bool paged;          // the frame names a page or block by address bits 8-23
    Guard guard;         // refused unless this holds
    CommandResult (BootProgram::*run)(Frame);
};

namespace {
using B = BootProgram;
}

// One row per command. A byte no row names is not a command of this boot program.
const BootProgram::Command& BootProgram::Find(std::uint8_t first) {
    static const Command kCommands[] = {
        {kSync, 1, false, Guard::None, &B::Sync},
        {kReadStatus, 1, false, Guard::None, &B::ReadStatus},
        {kClearStatus, 1, false, Guard::None, &B::ClearStatus},
        {kVersion, 1, false, Guard::None, &B::Version},
        {kIdCheck, 5 + 7, false, Guard::None, &B::IdCheck},
        {kBaudCommands[0].code, 1, false, Guard::None, &B::BaudRate},
        {kBaudCommands[1].code, 1, false, Guard::None, &B::BaudRate},
        {kBaudCommands[2].code, 1, false, Guard::None, &B::BaudRate},
        {kBaudCommands[3].code, 1, false, Guard::None, &B::BaudRate},
        {kBaudCommands[4].code, 1, false, Guard::None, &B::BaudRate},
        {kPageProgram, 3 + kPage, true, Guard::Unlocked, &B::PageProgram},
        {kPageRead, 3, true, Guard::Unlocked, &B::PageRead},
        {kEraseAll, 2, false, Guard::ConfirmedUnlocked, &B::EraseAll},
        {kBlockErase, 4, true, Guard::ConfirmedUnlocked, &B::BlockErase},
        {kProgramLockBit, 4, true, Guard::ConfirmedUnlocked, &B::ProgramLockBit},
        {kReadLockBit, 3, true, Guard::Unlocked, &B::ReadLockBit},
        {kLockBitEnable, 1, false, Guard::Unlocked, &B::SetLockBits},
        {kLockBitDisable, 1, false, Guard::Unlocked, &B::SetLockBits},
        {kCheckData, 1, false, Guard::IdVerified, &B::CheckData},
    };
    static const Command kUnknown = {0, 1, false, Guard::None, &B::Unknown};
    for (const Command& command : kCommands) {
        if (command.code == first) return command;
    }
    return kUnknown;
}

BootProgram::BootProgram(const ChipConfig& config)
    : config_(config),
      flash_(config.blocks.empty() ? DefaultBlocks(config.family) : config.blocks) {
    if (config.idCode) {
        const auto addresses = IdAddresses(config.family);
        for (std::size_t i = 0; i < 7; ++i)
            flash_.Load(addresses[i], std::span(&(*config.idCode)[i], 1));
    }
    PowerOn();
}

void BootProgram::PowerOn() {
    srdErrors_ = 0;
    srd1_ = config_.verifiedWhenBlank && IdAreaBlank() ? kSrd1IdVerified : 0x00;
    lockBitsEnabled_ = true;
    checkSum_ = 0;
}

bool BootProgram::IdAreaBlank() const {
    for (std::uint32_t address : IdAddresses(config_.family)) {
        if (flash_.Read(address) != 0xFF) return false;
    }
    return true;
}

std::size_t BootProgram::FrameLength(std::uint8_t first) {
    return Find(first).length;
}

std::uint32_t BootProgram::AddressOf(Frame frame) {
    return Find(frame[0]).paged ? PageAddress(frame) : 0;
}

bool BootProgram::Allows(Guard guard) const {
    switch (guard) {
        case Guard::None:
            return true;
        case Guard::IdVerified:
            return IdVerified();
        case Guard::Unlocked:
        case Guard::ConfirmedUnlocked:
            return Unlocked();
    }
    return false;
}

bool BootProgram::Carries(Frame frame) const {
    const Command& command = Find(frame[0]);
    if (command.guard == Guard::ConfirmedUnlocked && frame.back() != kConfirm) return false;
    return Allows(command.guard);
}

CommandResult BootProgram::Run(Frame frame) {
    const Command& command = Find(frame[0]);
    const std::uint32_t address = AddressOf(frame);
    if (command.guard == Guard::ConfirmedUnlocked && frame.back() != kConfirm) {
        // Not confirmed: a command sequence error, both flags, whatever the ID.
        srdErrors_ |= kSrdEraseError | kSrdProgramError;
        return {.address = address, .refused = true};
    }
    if (!Allows(command.guard)) return {.address = address, .refused = true};
    CommandResult result = (this->*command.run)(frame);
    if (command.paged) result.address = address;
    return result;
}

CommandResult BootProgram::Sync(Frame) {
    return {};
}

CommandResult BootProgram::ReadStatus(Frame) {
    return {.reply = {Srd(), srd1_}};
}

CommandResult BootProgram::ClearStatus(Frame) {
    srdErrors_ = 0;
    srd1_ &= ~kSrd1ReceiveTimeout;
    return {};
}

CommandResult BootProgram::Version(Frame) {
    return {.reply = std::vector<std::uint8_t>(config_.version.begin(), config_.version.end())};
}

CommandResult BootProgram::IdCheck(Frame frame) {
    const std::uint32_t address = frame[1] | frame[2] << 8 | frame[3] << 16;
    bool match = address == IdAddress(config_.family) && frame[4] == 7;
    const auto addresses = IdAddresses(config_.family);
    for (std::size_t i = 0; i < 7; ++i) match = match && frame[5 + i] == flash_.Read(addresses[i]);
    srd1_ = (srd1_ & ~kSrd1IdMask) | (match ? kSrd1IdVerified : kSrd1IdMismatch);
    return {.address = address, .refused = !match};
}

CommandResult BootProgram::BaudRate(Frame frame) {
    // The check confirms the rate the chip holds; the others move it, if the chip knows the rate.
    const std::uint32_t rate = frame[0] == kBaudRateCheck ? 0 : *BaudCommandRate(frame[0]);
    if (rate > config_.maxBaud) return Unknown(frame);
    // The echo leaves at the old rate; then the chip listens and answers at the new one.
    return {.reply = {frame[0]}, .newBaud = rate};
}

CommandResult BootProgram::PageProgram(Frame frame) {
    const std::uint32_t base = PageAddress(frame);
    const Frame data = frame.subspan(3);
    const int block = flash_.BlockOf(base);
    if (block < 0 || LockedNow(block)) {
        srdErrors_ |= kSrdProgramError;
    } else {
        for (std::uint8_t byte : data) checkSum_ = static_cast<std::uint16_t>(checkSum_ + byte);
        if (!flash_.ProgramPage(base, data)) srdErrors_ |= kSrdProgramError;
    }
    return {.busy = config_.pageProgramTime};
}

CommandResult BootProgram::PageRead(Frame frame) {
    const std::uint32_t base = PageAddress(frame);
    std::vector<std::uint8_t> page(kPage);
    for (std::size_t i = 0; i < kPage; ++i)
        page[i] = flash_.Read(static_cast<std::uint32_t>(base + i));
    return {.reply = std::move(page)};
}

CommandResult BootProgram::EraseAll(Frame) {
    int erased = 0;
    for (std::size_t i = 0; i < flash_.Blocks().size(); ++i) {
        if (LockedNow(static_cast<int>(i))) continue;
        flash_.Erase(static_cast<int>(i));
        ++erased;
    }
    // Every block locked: the chip is busy as long as for a page.
    return {.busy = erased ? config_.blockEraseTime * erased : config_.pageProgramTime};
}

CommandResult BootProgram::BlockErase(Frame frame) {
    const int block = flash_.BlockOf(PageAddress(frame));
    if (block < 0 || LockedNow(block)) {
        srdErrors_ |= kSrdEraseError;
        return {};
    }
    flash_.Erase(block);
    return {.busy = config_.blockEraseTime};
}

CommandResult BootProgram::ProgramLockBit(Frame frame) {
    const int block = flash_.BlockOf(PageAddress(frame));
    if (block < 0) {
        srdErrors_ |= kSrdProgramError;
        return {};
    }
    flash_.SetLockBit(block);
    return {.busy = config_.pageProgramTime};
}

CommandResult BootProgram::ReadLockBit(Frame frame) {
    const int block = flash_.BlockOf(PageAddress(frame));
    return {
        .reply = {static_cast<std::uint8_t>(block >= 0 && flash_.LockBit(block) ? 0x00 : 0x40)}};
}

CommandResult BootProgram::SetLockBits(Frame frame) {
    lockBitsEnabled_ = frame[0] == kLockBitEnable;
    return {};
}

CommandResult BootProgram::CheckData(Frame) {
    const std::uint16_t sum = checkSum_;
    checkSum_ = 0;
    return {.reply = {static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)}};
}

CommandResult BootProgram::Unknown(Frame) {
    srdErrors_ |= kSrdEraseError | kSrdProgramError;
    return {.refused = true};
}

}  // namespace bramblet::sim
