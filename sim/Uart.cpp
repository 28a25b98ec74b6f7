#include "sim/Uart.h"

#include <algorithm>

namespace bramblet::sim {
namespace {

// Bit k of a frame: 0 the start bit, 1 to 8 the data bits, 9 the stop bit.
int Bit(std::uint8_t byte, std::int64_t k) {
    if (k == 0) return 0;
    if (k >= 9) return 1;
    return (byte >> (k - 1)) & 1;
}

// Where bit k of a frame begins, counted from its start bit: the first nanosecond whose bit
// index, (t * 10) / byteTime, is k.
Time BitStart(Time byteTime, int k) {
    return Time((k * byteTime.count() + 9) / 10);
}

// The middle of bit k of the receiver's own frame, whose start bit began at `edge`.
Time Sample(Time edge, Time byteTime, int k) {
    return edge + Time((2 * k + 1) * byteTime.count() / 20);
}

}  // namespace

void UartLine::Send(std::uint8_t byte, Time start, std::uint32_t baud) {
    start = std::max(start, end_);
    const Time byteTime = ByteTime(baud);
    frames_.push_back({start, byteTime, start + byteTime, baud, byte});
    end_ = start + byteTime;
}

void UartLine::Idle(Time start, Time length) {
    end_ = std::max(start, end_) + length;
}

void UartLine::Cut(Time at) {
    while (!frames_.empty() && frames_.back().start >= at) frames_.pop_back();
    if (!frames_.empty()) frames_.back().idle = std::min(frames_.back().idle, at);
    end_ = std::min(end_, at);
}

std::size_t UartLine::FrameAt(Time t) const {
    const auto after = std::upper_bound(frames_.begin(), frames_.end(), t,
                                        [](Time time, const Frame& f) { return time < f.start; });
    return static_cast<std::size_t>(after - frames_.begin()) - 1;
}

int UartLine::Level(std::size_t& index, Time t) const {
    while (index < frames_.size() && frames_[index].idle <= t) ++index;
    if (index == frames_.size() || t < frames_[index].start) return 1;  // idle
    const Frame& f = frames_[index];
    return Bit(f.byte, (t - f.start).count() * 10 / f.byteTime.count());
}

std::optional<Time> UartLine::FallingEdge(Time from) const {
    auto next = std::upper_bound(frames_.begin(), frames_.end(), from,
                                 [](Time time, const Frame& f) { return time < f.start; });
    if (next != frames_.begin()) {
        const Frame& f = *std::prev(next);
        // Inside a frame: the start bit, or a data bit of 0 after one of 1. The line before a
        // start bit is always high: idle, or the stop bit of the frame before.
        for (int k = 0; k <= 8; ++k) {
            const Time edge = f.start + BitStart(f.byteTime, k);
            if (edge < from) continue;
            if (edge >= f.idle) break;
            if ((k == 0 || Bit(f.byte, k - 1) == 1) && Bit(f.byte, k) == 0) return edge;
        }
    }
    if (next != frames_.end()) return next->start;
    return std::nullopt;
}

UartLine::Step UartLine::Look(Time hunt, Time known, const RateAt& rate) const {
    Step step;
    const std::optional<Time> edge = FallingEdge(hunt);
    if (!edge) return step;
    std::size_t index = FrameAt(*edge);  // an edge is always inside a frame
    const Frame& sent = frames_[index];
    const std::uint32_t baud = rate(*edge, sent.baud);
    if (baud == 0) {
        step.kind = Kind::Skip;
        step.next = sent.idle;
        return step;
    }
    const Time byteTime = ByteTime(baud);
    const Time start = Sample(*edge, byteTime, 0);
    const Time stop = Sample(*edge, byteTime, 9);
    if (start >= known) {
        step.kind = Kind::Wait;
        step.next = start + Time{1};
        return step;
    }
    if (Level(index, start) != 0) {  // high again by mid-bit: a glitch, not a start bit
        step.kind = Kind::Skip;
        step.next = start;
        return step;
    }
    if (stop >= known) {
        step.kind = Kind::Wait;
        step.next = stop + Time{1};
        return step;
    }
    std::uint8_t byte = 0;
    for (int k = 1; k <= 8; ++k) {
        byte |= static_cast<std::uint8_t>(Level(index, Sample(*edge, byteTime, k)) << (k - 1));
    }
    step.kind = Kind::Take;
    step.next = stop;
    step.got = {byte, Level(index, stop) == 0, *edge + byteTime, baud};
    return step;
}

std::optional<UartLine::Received> UartLine::Receive(Time known, const RateAt& rate) {
    for (;;) {
        const Step step = Look(hunt_, known, rate);
        if (step.kind != Kind::Skip && step.kind != Kind::Take) return std::nullopt;
        Restart(step.next);
        if (step.kind == Kind::Take) return step.got;
    }
}

std::optional<UartLine::Pending> UartLine::Next(const RateAt& rate) const {
    Time hunt = hunt_;
    for (;;) {
        const Step step = Look(hunt, Time::max(), rate);
        if (step.kind == Kind::Take) return Pending{step.next + Time{1}, step.got.arrives};
        if (step.kind != Kind::Skip) return std::nullopt;
        hunt = step.next;
    }
}

void UartLine::Restart(Time at) {
    hunt_ = std::max(hunt_, at);
    while (!frames_.empty() && frames_.front().idle <= hunt_) frames_.pop_front();
}

}  // namespace bramblet::sim
