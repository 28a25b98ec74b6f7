#pragma once
// The serial port as the boot-mode protocol needs it. One time-out model on every platform:
// a read returns when all requested bytes have arrived or when 30 ms + 4 ms per requested byte
// have passed since the read began, with whatever arrived.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace bramblet {

constexpr std::chrono::milliseconds kReplyWindowConstant{30};
constexpr std::chrono::milliseconds kReplyWindowPerByte{4};

constexpr std::chrono::milliseconds ReplyWindow(std::size_t requested) {
    return kReplyWindowConstant + kReplyWindowPerByte * static_cast<std::int64_t>(requested);
}

constexpr std::uint32_t kBaudNormal = 19200;
constexpr std::uint32_t kBaudModePin = 38400;

class SerialPort {
public:
    virtual ~SerialPort() = default;  // closes the port

    // Buffer sizes (2048 in, 512 out), purge, the reply-window time-outs, 8N1 binary at `baud`,
    // no software flow control, DTR on, errors cleared. Results are not examined by the caller.
    virtual void Setup(std::uint32_t baud) = 0;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Reads up to buffer.size() bytes within ReplyWindow(buffer.size()); returns the count.
    virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
    // Drops whatever has arrived and not been read.
    virtual void DiscardInput() = 0;
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
