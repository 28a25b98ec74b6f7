#pragma once
// The serial port as the boot-mode protocol needs it. One time-out model on every platform:
// a read returns when all requested bytes have arrived or when 30 ms + 4 ms per requested byte
// have passed since the read began, with whatever arrived; a write is given the time its bytes
// need on the line plus a second, and a port whose write cannot finish by then is lost, as is a
// port whose device has gone.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "writer/link/Rates.h"

namespace bramblet {

constexpr std::chrono::milliseconds kReplyWindowConstant{30};
constexpr std::chrono::milliseconds kReplyWindowPerByte{4};

constexpr std::chrono::milliseconds ReplyWindow(std::size_t requested) {
    return kReplyWindowConstant + kReplyWindowPerByte * static_cast<std::int64_t>(requested);
}

// A write may take a whole millisecond a byte (ten bits take 0.52 ms at 19200 baud, 1.04 ms at
// 9600) plus a second for the driver and the adapter. A device that has not taken the bytes by
// then never will: a hardware handshake whose CTS is not wired, an adapter that hangs.
constexpr std::chrono::milliseconds kWriteMargin{1000};

// Ten bits a byte at `baud` (above 0), rounded up to whole milliseconds.
constexpr std::chrono::milliseconds WritePerByte(std::uint32_t baud) {
    return std::chrono::milliseconds((10'000 + baud - 1) / baud);
}

constexpr std::chrono::milliseconds WriteWindow(std::size_t bytes, std::uint32_t baud) {
    return kWriteMargin + WritePerByte(baud) * static_cast<std::int64_t>(bytes);
}

// Why a port stopped carrying bytes for good.
struct PortLoss {
    enum class Kind {
        None,
        Gone,          // the device went away: unplugged, switched off, its other end closed
        WriteStalled,  // a write did not finish within its WriteWindow
        Stopped,       // the program was asked to stop (Ctrl-C), and let the port go
    };
    Kind kind = Kind::None;
    std::string detail;  // the system's own words, for the command line

    explicit operator bool() const { return kind != Kind::None; }
};

// The adapter's modem control outputs, which a board may wire to the chip's RESET and mode pins.
enum class ModemLine { Dtr, Rts };

constexpr std::uint32_t kBaudNormal = 19200;
constexpr std::uint32_t kBaudModePin = 38400;

class SerialPort {
public:
    virtual ~SerialPort() = default;  // closes the port

    // Buffer sizes (2048 in, 512 out), purge, the reply-window and write time-outs, 8N1 binary at
    // `baud`, no software flow control, DTR on (unless SetLine has set DTR since the port was
    // opened: then it stays as set), errors cleared. A rate outside kLinkRates is
    // refused: false, and the port is left as it was. The sequences pass only the table's rates
    // and, as the design has it, do not examine the result.
    virtual bool Setup(std::uint32_t baud) = 0;
    // Sends all bytes within WriteWindow(bytes.size(), baud); a write that cannot loses the port.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Reads up to buffer.size() bytes within ReplyWindow(buffer.size()); returns the count.
    virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
    // Drops whatever has arrived and not been read.
    virtual void DiscardInput() = 0;
    // Nothing while the port carries bytes. Once lost, a port stays lost and its device is
    // released: reads return nothing at once and writes send nothing, so the step under way
    // ends without waiting out windows on a line that cannot answer. A port whose device
    // cannot go away never is.
    virtual PortLoss Lost() const = 0;
    // How long the adapter may hold a short reply before passing it on (a USB adapter's latency
    // timer), as read after the port was opened; nullopt when the port does not say,
    // as most ports (pseudo-terminals, built-in UARTs, simulated lines) do not.
    virtual std::optional<std::chrono::milliseconds> AdapterLatency() const { return {}; }

    // Asserts (true) or clears a modem control line; the line keeps that level until the next
    // call or the close. Empty when done, else why not in the system's words: a port without
    // modem lines, such as a pseudo-terminal, refuses.
    virtual std::string SetLine(ModemLine line, bool asserted) = 0;
    // Lets `time` pass with the lines as they are; what arrives meanwhile waits for the next read.
    virtual void Pause(std::chrono::milliseconds time) = 0;
};

enum class OpenError { None, NotFound, PermissionDenied, Busy, InvalidName, Other };

struct OpenResult {
    std::unique_ptr<SerialPort> port;  // null on failure
    OpenError error = OpenError::None;
    std::string detail;  // the system's own words, for the command line
};

class PortOpener {
public:
    virtual ~PortOpener() = default;
    // Exclusive open by the name the user typed or picked.
    virtual OpenResult Open(const std::string& name) = 0;
};

}  // namespace bramblet
