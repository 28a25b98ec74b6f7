#pragma once
// The host's end of the serial line to a simulated chip: what the host's UART sends and when, and
// what it has received by when. The chip's own line implements it; a model of what sits between
// the host and that line (an adapter that delivers bytes late or in bursts) can wrap one and be
// one, so the virtual line and the pseudo-terminal program drive either alike.
#include <cstdint>
#include <optional>

#include "sim/Uart.h"

namespace bramblet::sim {

class HostLine {
public:
    struct Reply {
        std::uint8_t byte;
        Time arrives;  // when its stop bit reaches the host
    };

    virtual ~HostLine() = default;

    // Calls come in time order, and each says that the host did nothing else on the line before
    // the time it gives.
    //
    // The host's UART runs at `baud` from `at` (9600 until the first call).
    virtual void SetHostBaud(std::uint32_t baud, Time at) = 0;
    // The host started sending `byte` at `sent`, or right after its previous byte when its
    // transmitter was still busy then.
    virtual void HostSends(std::uint8_t byte, Time sent) = 0;
    // The first byte the host's UART has received by `by`, or null. The line runs on with the
    // host idle, up to `by` or to that byte's arrival if sooner: the host sends nothing and keeps
    // its rate until then. The consumer pops each byte it takes.
    virtual const Reply* NextReply(Time by) = 0;
    virtual void PopReply() = 0;
    // When a byte will next arrive at the host or the chip take one, if the host stays idle.
    virtual std::optional<Time> NextEvent() const = 0;
    // The host's modem lines from `at` (both cleared until the first call).
    virtual void SetHostLines(Time at, bool dtr, bool rts) = 0;
    // The line from the host is cut at `at` (a cable pulled): no byte that starts later reaches
    // the chip, and one under way then arrives as whatever its first bits make.
    virtual void CutHostLine(Time at) = 0;
    // Bytes the host has handed to the line, and bytes the chip has sent, so far.
    virtual std::uint64_t BytesFromHost() const = 0;
    virtual std::uint64_t BytesToHost() const = 0;
};

}  // namespace bramblet::sim
