#pragma once
// The boot program's commands, one function each, over a serial port. Nothing here shows text,
// reads a window or keeps state: every frame goes out exactly as the boot program expects it and
// every reply comes back as the bytes that arrived.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "writer/link/Rates.h"
#include "writer/link/SerialPort.h"

namespace bramblet::protocol {

constexpr std::uint8_t kSync = 0x00;
constexpr std::uint8_t kBaudRateCheck = kLinkRates.front().code;  // the other codes: Rates.h
constexpr std::uint8_t kReadStatus = 0x70;
constexpr std::uint8_t kClearStatus = 0x50;
constexpr std::uint8_t kVersionRead = 0xFB;
constexpr std::uint8_t kIdCheck = 0xF5;
constexpr std::uint8_t kIdLength = 0x07;
constexpr std::uint8_t kEraseAll = 0xA7;
constexpr std::uint8_t kBlockErase = 0x20;
constexpr std::uint8_t kEraseConfirm = 0xD0;
constexpr std::uint8_t kPageProgram = 0x41;
constexpr std::uint8_t kPageRead = 0xFF;
constexpr std::uint8_t kReadCheckData = 0xFD;

constexpr std::size_t kPageBytes = 256;
using IdCode = std::array<std::uint8_t, 7>;

// The two status registers as Read Status Register returns them.
struct Status {
    // SRD
    static constexpr std::uint8_t kReady = 0x80;
    static constexpr std::uint8_t kEraseError = 0x20;
    static constexpr std::uint8_t kProgramError = 0x10;
    // SRD1: bits 3 and 2 are the ID check state, bit 1 a frame dropped for a late byte.
    static constexpr std::uint8_t kIdState = 0x0C;
    static constexpr std::uint8_t kIdMismatch = 0x04;
    static constexpr std::uint8_t kIdVerified = 0x0C;
    static constexpr std::uint8_t kReceiveTimeout = 0x02;

    std::uint8_t srd = 0;
    std::uint8_t srd1 = 0;

    bool Ready() const { return srd & kReady; }
    bool EraseError() const { return srd & kEraseError; }
    bool ProgramError() const { return srd & kProgramError; }
    bool IdVerified() const { return (srd1 & kIdState) == kIdVerified; }
    bool IdMismatch() const { return (srd1 & kIdState) == kIdMismatch; }
    bool ReceiveTimeout() const { return srd1 & kReceiveTimeout; }

    // The status word every decision is made on: SRD x 256 + SRD1, keeping ready (15), the error
    // flags (13, 12), the ID check state (3, 2) and the receive time-out (1).
    int Word() const { return (srd * 256 + srd1) & 0xB00E; }

    bool operator==(const Status&) const = default;
};

// Bits of the status word.
constexpr int kWordReady = 0x8000;
constexpr int kWordErrors = 0x3000;
constexpr int kWordIdVerified = 0x000C;
// Ready, no error flag, ID verified, no frame dropped: an erase or page program went through.
constexpr int kWordAccepted = 0x800C;

// Page addresses are multiples of 256: frames carry bits 8-15, then 16-23.
constexpr std::uint8_t AddressMid(std::uint32_t address) {
    return (address >> 8) & 0xFF;
}
constexpr std::uint8_t AddressHigh(std::uint32_t address) {
    return (address >> 16) & 0xFF;
}

// Up to `attempts` synchronisation zeros, each followed by a one-byte read; stops at the first
// byte that comes back, whatever it is, or when the port is lost. True when one came.
bool Synchronise(SerialPort& port, int attempts);

// Sends one of the baud-rate codes (0xB0 to 0xB4) and reads up to `readUpTo` bytes: true when
// exactly one byte came and it was the code. Reading 10 catches a line that echoes twice; a read
// of 1 returns as soon as the echo is there.
bool BaudRate(SerialPort& port, std::uint8_t code, std::size_t readUpTo);

// Read Status Register as a connection reads it: up to 2 bytes, then up to 2 more right after
// them, which picks up a late second byte and drains surplus. Missing bytes read as 0x00.
Status ReadStatus(SerialPort& port);

// How a status poll reads its answer.
enum class PollRead {
    Window,   // 50 bytes: each silent repetition waits 230 ms
    TwoBytes  // the two status bytes, returning as soon as they are there, else after as long
};

// Read Status Register until a read brings at least two bytes, at most `limit` times; nothing
// when the chip never answered or the port was lost. A chip busy erasing answers every poll sent
// meanwhile once it is free; the answers still due are read and dropped, so none is taken for the
// next command's.
std::optional<Status> PollStatus(SerialPort& port, int limit, PollRead read);

void ClearStatus(SerialPort& port);

// Version Read: the text of an 8-byte reply up to its first NUL; empty unless exactly 8 came.
std::string ReadVersion(SerialPort& port);

// ID Check with the address of ID1 and the seven code bytes: the 5-byte header, then the code.
void IdCheck(SerialPort& port, std::uint32_t address, const IdCode& code);

// Erase All Unlocked Blocks; its outcome is polled.
void EraseAll(SerialPort& port);

// Block Erase of the block holding `address` (bits 8-23 are sent); its outcome is polled.
void BlockErase(SerialPort& port, std::uint32_t address);

// Page Program: the 3-byte header, then the 256 bytes; its outcome is polled.
void PageProgram(SerialPort& port, std::uint32_t base,
                 std::span<const std::uint8_t, kPageBytes> data);

// The 3-byte Page Read command alone, for a caller that reads the reply its own way.
void RequestPage(SerialPort& port, std::uint32_t base);

// Page Read with its 256 bytes taken in one read; returns how many came.
std::size_t PageRead(SerialPort& port, std::uint32_t base, std::span<std::uint8_t, kPageBytes> out);

// Read Check Data: the 16-bit sum of the bytes programmed since it was last read; nothing unless
// both bytes came.
std::optional<std::uint16_t> ReadCheckData(SerialPort& port);

}  // namespace bramblet::protocol
