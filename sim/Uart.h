#pragma once
// One direction of an asynchronous serial line (8 data bits, no parity, 1 stop bit, LSB first):
// the frames its transmitter put on it, and the UART at the other end, which waits for a falling
// edge and then samples the line in the middle of each of its own bit times. At the
// transmitter's rate it takes every byte as it was sent; at another rate it takes what a real
// UART takes: other bytes, framing errors, one byte read as two or two as one. Times are whole
// nanoseconds, so the outcome is the same on every run and every machine.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace bramblet::sim {

using Time = std::chrono::nanoseconds;

// One byte on the line is 10 bit times: start bit, 8 data bits, stop bit.
constexpr Time ByteTime(std::uint32_t baud) {
    return Time((10'000'000'000LL + baud / 2) / baud);
}

class UartLine {
public:
    struct Received {
        std::uint8_t byte;
        bool framingError;   // the stop bit was low: a break, or a frame sent at another rate
        Time arrives;        // when the receiver's frame ends: its start bit plus its byte time
        std::uint32_t baud;  // the rate it was sampled at
    };
    // The receiver's rate for a frame whose start bit begins at `edge`, a time inside a frame
    // that the transmitter sent at `sentBaud`. 0: that whole frame of the transmitter goes unheard.
    using RateAt = std::function<std::uint32_t(Time edge, std::uint32_t sentBaud)>;

    // The transmitter sends `byte` at `baud` from `start`, which is not before End().
    void Send(std::uint8_t byte, Time start, std::uint32_t baud);
    // A byte's time passes with the line idle from `start` (or End(), if later): a byte the
    // transmitter sent that never reached the line.
    void Idle(Time start, Time length);
    // The transmitter stops at `at`, mid-frame or not: the line idles from then on.
    void Cut(Time at);
    // When the last frame ends.
    Time End() const { return end_; }

    // The next byte the receiver takes, when the line's level is known at every time before
    // `known`: the frames sent so far, idle between and after them.
    std::optional<Received> Receive(Time known, const RateAt& rate);
    // If the line stays idle after its last frame: the `known` from which Receive takes its next
    // byte, and when that byte arrives. None when no byte is under way.
    struct Pending {
        Time decided;
        Time arrives;
    };
    std::optional<Pending> Next(const RateAt& rate) const;
    // The receiver starts over at `at`: a byte under way then is lost.
    void Restart(Time at);
    // The receiver looks for its next start bit from here.
    Time Hunting() const { return hunt_; }

private:
    struct Frame {
        Time start;
        Time byteTime;
        Time idle;  // the line is high from here: the frame's end, or where it was cut
        std::uint32_t baud;
        std::uint8_t byte;
    };
    enum class Kind { None, Wait, Skip, Take };
    struct Step {
        Kind kind = Kind::None;
        Time next{0};  // Skip, Take: where the receiver hunts next. Wait: the `known` it needs
        Received got{};
    };
    Step Look(Time hunt, Time known, const RateAt& rate) const;
    // The index of the last frame that starts at or before `t`.
    std::size_t FrameAt(Time t) const;
    // The line's level at `t`, from the frame at `index` on; `index` moves on with it, so a
    // frame's samples, in time order, cost no search.
    int Level(std::size_t& index, Time t) const;
    std::optional<Time> FallingEdge(Time from) const;

    std::deque<Frame> frames_;  // in time order, none overlapping
    Time end_{0};
    Time hunt_{0};
};

}  // namespace bramblet::sim
