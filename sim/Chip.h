#pragma once
// An R8C, M16C or M32C chip in its boot mode and the serial line to it, as a byte-in, byte-out
// model driven by time. The host's bytes go in with the time they were put on the line; what the
// host's UART receives comes out with the time its stop bit ends. Host and chip each run their
// UART at their own rate, and a byte sent at one rate and sampled at another arrives as a real
// UART would take it. Nothing here sleeps or reads a clock, so the same model serves the virtual
// wire of the tests (virtual time) and the pseudo-terminal program (real time).
//
// The pieces: this class is the line (both UARTs, their rates, noise on the bytes, resets and
// hangs at a moment, the pins) and the assembly of command frames; BootProgram carries out a
// command, CommandFaults is the misbehaviour around it, Flash holds the cells.
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "sim/BootProgram.h"
#include "sim/ChipConfig.h"
#include "sim/CommandFaults.h"
#include "sim/Flash.h"
#include "sim/HostLine.h"
#include "sim/Pins.h"
#include "sim/Uart.h"

namespace bramblet::sim {

class Chip : public HostLine {
public:
    // One command as the boot program took it, for tests and the program's log.
    struct Event {
        Time at;
        std::uint8_t command;
        std::uint32_t address;  // page, block or ID address where the command has one
        bool refused;           // locked, error flags set, not understood, or a wrong ID code
    };

    explicit Chip(const ChipConfig& config);

    void SetHostBaud(std::uint32_t baud, Time at) override;
    void HostSends(std::uint8_t byte, Time sent) override;
    const Reply* NextReply(Time by) override;
    void PopReply() override { replies_.pop_front(); }
    std::optional<Time> NextEvent() const override;
    // The modem lines reach the pins as the wiring says.
    void SetHostLines(Time at, bool dtr, bool rts) override;
    void CutHostLine(Time at) override;
    std::uint64_t BytesFromHost() const override { return fromHostCount_; }
    std::uint64_t BytesToHost() const override { return toHostCount_; }

    // The chip's UART rate: 0 until it has synchronised. A baud-rate command's new rate shows
    // here at once; the UART takes it when the command's echo has left.
    std::uint32_t Baud() const { return chipRates_.back().baud; }

    // A reset pin pulse at `at`: pending input and output are lost, the ID must be checked again,
    // the UART goes back to its rate from reset.
    void Reset(Time at);
    // False while the chip is held in reset or runs its own program.
    bool InBootMode() const { return state_ == State::Boot; }

    // Flash, outside the protocol: preload, inspect, save. Addresses outside the flash read 0xFF
    // and are not stored.
    std::uint8_t Read(std::uint32_t address) const { return boot_.Cells().Read(address); }
    void Load(std::uint32_t address, std::span<const std::uint8_t> bytes) {
        boot_.Cells().Load(address, bytes);
    }
    const std::vector<Block>& Blocks() const { return boot_.Cells().Blocks(); }
    bool InFlash(std::uint32_t address) const { return boot_.Cells().Contains(address); }

    std::uint8_t Srd() const { return boot_.Srd(); }
    bool IdVerified() const { return boot_.IdVerified(); }
    bool Silent() const { return silent_; }
    int PagesProgrammed() const { return faults_.PagesProgrammed(); }
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
    void Execute(Time at);
    void Emit(std::span<const std::uint8_t> bytes, Time at);
    State StateFromPins() const;

    ChipConfig config_;
    BootProgram boot_;
    CommandFaults faults_;
    Pins pins_;

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
    bool silent_ = false;
    std::uint64_t fromHostCount_ = 0;
    std::uint64_t toHostCount_ = 0;
    std::optional<Time> resetDue_;
    std::optional<Time> hangDue_;
    std::optional<Time> hostCut_;

    State state_ = State::Boot;
    Time listensFrom_{0};

    std::deque<Reply> replies_;  // received by the host, not yet taken
    std::vector<Event> log_;
};

}  // namespace bramblet::sim
