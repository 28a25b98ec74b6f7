#include "writer/link/Protocol.h"

#include <algorithm>
#include <initializer_list>

namespace bramblet::protocol {
namespace {

void Send(SerialPort& port, std::initializer_list<std::uint8_t> bytes) {
    port.Write(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
}

constexpr std::size_t kPollWindowBytes = 50;
// A two-byte read waits 38 ms; six of them make about the 230 ms of the window read, so a busy
// chip gets no more polls from the one than from the other.
constexpr int kTwoByteReadsPerPoll = 6;

// Reads and drops the status bytes still owed for earlier polls. They come at once when the chip
// answers a queue of polls; a read that ends short has waited out its window, so whatever else
// was owed is not coming (a chip that dropped polls while busy).
void DrainOwed(SerialPort& port, std::size_t owed) {
    std::array<std::uint8_t, kPollWindowBytes> scratch;
    while (owed > 0) {
        const std::size_t ask = std::min(owed, scratch.size());
        const std::size_t n = port.Read(std::span(scratch.data(), ask));
        owed -= n;
        if (n < ask) break;
    }
    port.DiscardInput();
}

}  // namespace

bool Synchronise(SerialPort& port, int attempts) {
    for (int i = 0; i < attempts && !port.Lost(); ++i) {
        Send(port, {kSync});
        std::array<std::uint8_t, 1> answer;
        if (port.Read(answer) == 1) return true;
    }
    return false;
}

bool BaudRate(SerialPort& port, std::uint8_t code, std::size_t readUpTo) {
    std::array<std::uint8_t, 10> echo{};
    Send(port, {code});
    return port.Read(std::span(echo.data(), std::min(readUpTo, echo.size()))) == 1 &&
           echo[0] == code;
}

Status ReadStatus(SerialPort& port) {
    std::array<std::uint8_t, 4> reply{};
    Send(port, {kReadStatus});
    const std::size_t n = port.Read(std::span(reply.data(), 2));
    port.Read(std::span(reply.data() + n, 2));
    return {reply[0], reply[1]};
}

std::optional<Status> PollStatus(SerialPort& port, int limit, PollRead read) {
    std::array<std::uint8_t, kPollWindowBytes> reply{};
    std::size_t owed = 0;  // status bytes due for the polls sent so far
    for (int i = 0; i < limit && !port.Lost(); ++i) {
        Send(port, {kReadStatus});
        owed += 2;
        std::size_t n = 0;
        if (read == PollRead::Window) {
            n = port.Read(reply);
        } else {
            for (int k = 0; k < kTwoByteReadsPerPoll && n < 2; ++k) {
                n += port.Read(std::span(reply.data() + n, 2 - n));
            }
        }
        owed -= std::min(owed, n);
        if (n >= 2) {
            DrainOwed(port, owed);
            return Status{reply[0], reply[1]};
        }
    }
    return std::nullopt;
}

void ClearStatus(SerialPort& port) {
    Send(port, {kClearStatus});
}

std::string ReadVersion(SerialPort& port) {
    std::array<std::uint8_t, 18> reply{};
    Send(port, {kVersionRead});
    std::size_t n = port.Read(std::span(reply.data(), 8));
    n += port.Read(std::span(reply.data() + n, 10));
    std::string text;
    if (n != 8) return text;
    for (std::size_t i = 0; i < 8 && reply[i] != 0; ++i)
        text.push_back(static_cast<char>(reply[i]));
    return text;
}

void IdCheck(SerialPort& port, std::uint32_t address, const IdCode& code) {
    Send(port, {kIdCheck, static_cast<std::uint8_t>(address & 0xFF), AddressMid(address),
                AddressHigh(address), kIdLength});
    port.Write(code);
}

void EraseAll(SerialPort& port) {
    Send(port, {kEraseAll, kEraseConfirm});
}

void BlockErase(SerialPort& port, std::uint32_t address) {
    Send(port, {kBlockErase, AddressMid(address), AddressHigh(address), kEraseConfirm});
}

void PageProgram(SerialPort& port, std::uint32_t base,
                 std::span<const std::uint8_t, kPageBytes> data) {
    Send(port, {kPageProgram, AddressMid(base), AddressHigh(base)});
    port.Write(data);
}

void RequestPage(SerialPort& port, std::uint32_t base) {
    Send(port, {kPageRead, AddressMid(base), AddressHigh(base)});
}

std::size_t PageRead(SerialPort& port, std::uint32_t base,
                     std::span<std::uint8_t, kPageBytes> out) {
    RequestPage(port, base);
    return port.Read(out);
}

std::optional<std::uint16_t> ReadCheckData(SerialPort& port) {
    std::array<std::uint8_t, 2> reply{};
    Send(port, {kReadCheckData});
    if (port.Read(reply) != 2) return std::nullopt;
    return static_cast<std::uint16_t>(reply[0] | reply[1] << 8);  // low byte first
}

}  // namespace bramblet::protocol
