#include "sim/Chip.h"

#include <algorithm>

namespace bramblet::sim {
Chip::Chip(const ChipConfig& config)
    : config_(config),
      boot_(config),
      faults_(config),
      pins_(config.wiring),
      chipRates_{{Time{0}, config.fixedBaud}},
      hostRates_{{Time{0}, 9600}},
      resetDue_(config.faults.resetAt) {
    state_ = StateFromPins();
    // Glitches while the board powers up, as the host's UART takes them whatever its rate.
    const auto& noise = config_.faults.powerOnNoise;
    for (std::size_t i = 0; i < noise.size(); ++i) {
        replies_.push_back({noise[i], static_cast<long>(i + 1) * ByteTime(9600)});
    }
}

std::uint32_t Chip::RateAt(const std::vector<RateFrom>& rates, Time t) {
    for (auto it = rates.rbegin(); it != rates.rend(); ++it) {
        if (it->from <= t) return it->baud;
    }
    return rates.front().baud;
}

// Rate changes no receiver looks back at again are dropped, so a simulator that runs for days
// keeps two or three.
void Chip::SetRate(std::vector<RateFrom>& rates, Time from, std::uint32_t baud) const {
    while (!rates.empty() && rates.back().from >= from) rates.pop_back();
    const Time past = std::min({fromHost_.Hunting(), toHost_.Hunting(), from});
    while (rates.size() > 1 && rates[1].from <= past) rates.erase(rates.begin());
    rates.push_back({from, baud});
}

UartLine::RateAt Chip::ChipReceiver() const {
    return [this](Time edge, std::uint32_t sentBaud) -> std::uint32_t {
        if (const std::uint32_t baud = ChipRateAt(edge)) return baud;
        // Not synchronised: it hears the host at any rate it knows, and nothing at the others.
        // A loop-back is a wire and carries any rate.
        return config_.faults.loopBack || boot_.Knows(sentBaud) ? sentBaud : 0;
    };
}

UartLine::RateAt Chip::HostReceiver() const {
    return [this](Time edge, std::uint32_t) { return HostRateAt(edge); };
}

void Chip::SetHostBaud(std::uint32_t baud, Time at) {
    hostTime_ = std::max(at, hostTime_);
    SetRate(hostRates_, hostTime_, baud);
}

void Chip::HostSends(std::uint8_t byte, Time sent) {
    sent = std::max(sent, hostTime_);
    hostTime_ = sent;
    const std::uint64_t index = fromHostCount_++;
    // The byte starts on the line once the host's transmitter has sent what came before it.
    const Time start = std::max(sent, fromHost_.End());
    if (hostCut_ && start >= *hostCut_) return;
    const Faults& faults = config_.faults;
    auto due = [start](std::optional<Time>& when) { when = std::min(when.value_or(start), start); };
    if (faults.resetAtHostByte == index) due(resetDue_);
    if (faults.silentFromHostByte == index) due(hangDue_);
    const std::uint32_t baud = HostRateAt(sent);
    if (const ByteFault* fault = LineFault(Direction::ToChip, index)) {
        if (fault->kind == ByteFault::Kind::Drop) {
            fromHost_.Idle(start, ByteTime(baud));
            TakeFromHost();
            return;
        }
        if (fault->kind == ByteFault::Kind::Flip) byte ^= fault->value;
        if (fault->kind == ByteFault::Kind::Add) fromHost_.Send(fault->value, start, baud);
    }
    fromHost_.Send(byte, start, baud);
    if (hostCut_) fromHost_.Cut(*hostCut_);
    TakeFromHost();
}

void Chip::CutHostLine(Time at) {
    hostCut_ = std::min(hostCut_.value_or(at), at);
    fromHost_.Cut(at);
}

const ByteFault* Chip::LineFault(Direction direction, std::uint64_t index) const {
    for (const ByteFault& fault : config_.faults.lineFaults) {
        if (fault.direction == direction && fault.index == index) return &fault;
    }
    return nullptr;
}

bool Chip::StopDue(Time at) const {
    return (resetDue_ && at >= *resetDue_) || (hangDue_ && at >= *hangDue_);
}

void Chip::FireDue(Time limit) {
    for (;;) {
        const bool reset = resetDue_ && (!hangDue_ || *resetDue_ <= *hangDue_);
        std::optional<Time>& due = reset ? resetDue_ : hangDue_;
        if (!due || *due > limit) return;
        const Time at = *due;
        due.reset();
        while (auto received = fromHost_.Receive(at, ChipReceiver())) Heard(*received);
        while (auto received = toHost_.Receive(at, HostReceiver())) {
            replies_.push_back({received->byte, received->arrives});
        }
        if (reset) {
            ResetAt(at);
        } else {
            HangAt(at);
        }
    }
}

void Chip::HangAt(Time at) {
    silent_ = true;
    frame_.clear();
    toHost_.Cut(at);
    txFree_ = std::min(txFree_, at);
}

void Chip::TakeFromHost() {
    // The line from the host is known up to its last frame, and idle from there to hostTime_.
    const Time known = std::max(fromHost_.End(), hostTime_);
    FireDue(known);
    const UartLine::RateAt rate = ChipReceiver();
    while (auto received = fromHost_.Receive(known, rate)) {
        Heard(*received);
    }
}

void Chip::TakeAtHost() {
    // Everything the chip sends before hostTime_ is on the line once TakeFromHost has run.
    FireDue(hostTime_);
    const UartLine::RateAt rate = HostReceiver();
    while (auto received = toHost_.Receive(hostTime_, rate)) {
        // The writer's ports hand a byte with a framing error over as the UART assembled it: the
        // POSIX port clears INPCK, the Win32 port's NOPARITY checks nothing.
        replies_.push_back({received->byte, received->arrives});
    }
}

void Chip::Advance(Time to) {
    hostTime_ = std::max(hostTime_, to);
    TakeFromHost();
    TakeAtHost();
}

const Chip::Reply* Chip::NextReply(Time by) {
    while (replies_.empty()) {
        // Run to the next moment a receiver decides a byte, as long as that is before `by`.
        std::optional<Time> next;
        if (auto pending = fromHost_.Next(ChipReceiver())) next = pending->decided;
        if (auto pending = toHost_.Next(HostReceiver())) {
            next = std::min(next.value_or(Time::max()), pending->decided);
        }
        if (!next || *next > by || *next <= hostTime_) break;
        Advance(*next);
    }
    if (!replies_.empty() && replies_.front().arrives <= by) return &replies_.front();
    // Nothing before `by`: the host is idle until then, and NextEvent lies beyond it.
    Advance(by);
    return nullptr;
}

std::optional<Time> Chip::NextEvent() const {
    std::optional<Time> next;
    if (!replies_.empty()) {
        next = replies_.front().arrives;
    } else if (auto pending = toHost_.Next(HostReceiver())) {
        next = pending->arrives;
    }
    if (auto pending = fromHost_.Next(ChipReceiver())) {
        next = std::min(next.value_or(Time::max()), pending->decided);
    }
    return next;
}

void Chip::Reset(Time at) {
    Advance(at);
    ResetAt(at);
}

void Chip::ResetAt(Time at) {
    toHost_.Cut(at);
    txFree_ = std::min(txFree_, at);
    fromHost_.Restart(at);
    SetRate(chipRates_, at, config_.fixedBaud);
    busyUntil_ = at;
    boot_.PowerOn();
    faults_.PowerOn();
    frame_.clear();
    state_ = StateFromPins();
}

Chip::State Chip::StateFromPins() const {
    if (pins_.HeldInReset()) return State::HeldInReset;
    return pins_.ModeAtBootLevel() ? State::Boot : State::Program;
}

void Chip::SetHostLines(Time at, bool dtr, bool rts) {
    if (pins_.Unwired()) return;
    Advance(at);
    const bool wasHeld = pins_.HeldInReset();
    pins_.SetLines(dtr, rts);
    const bool held = pins_.HeldInReset();
    if (held && !wasHeld) {
        ResetAt(at);
    } else if (wasHeld && !held) {
        state_ = StateFromPins();
        listensFrom_ = at + config_.wiring.bootStart;
    }
}

void Chip::Emit(std::span<const std::uint8_t> bytes, Time at) {
    if (silent_) return;
    for (std::uint8_t b : bytes) {
        const std::uint64_t index = toHostCount_++;
        Time start = std::max(at, txFree_);
        std::uint32_t baud = ChipRateAt(start);
        if (baud == 0) baud = HostRateAt(start);  // not synchronised: at the host's rate
        if (const ByteFault* fault = LineFault(Direction::ToHost, index)) {
            if (fault->kind == ByteFault::Kind::Drop) {
                toHost_.Idle(start, ByteTime(baud));
                txFree_ = start + ByteTime(baud);
                continue;
            }
            if (fault->kind == ByteFault::Kind::Flip) b ^= fault->value;
            if (fault->kind == ByteFault::Kind::Add) {
                toHost_.Send(fault->value, start, baud);
                start += ByteTime(baud);
            }
        }
        toHost_.Send(b, start, baud);
        txFree_ = start + ByteTime(baud);
    }
}

void Chip::Heard(const UartLine::Received& received) {
    // The boot program drops a byte its UART flagged.
    if (received.framingError) return;
    const std::uint8_t byte = received.byte;
    const Time arrives = received.arrives;
    if (config_.faults.loopBack) {
        Emit(std::span(&byte, 1), arrives);
        return;
    }
    if (silent_) return;
    // Held in reset, running its own program, or starting up: the boot program hears nothing.
    if (state_ != State::Boot || arrives - ByteTime(received.baud) < listensFrom_) return;
    if (!frame_.empty() && arrives - lastArrival_ > config_.receiveTimeout) {
        // The rest of the command never came: the boot program drops it and flags the time-out.
        log_.push_back({lastArrival_, frame_[0], 0, true});
        frame_.clear();
        boot_.ReceiveTimedOut();
    }
    // Synchronisation: the first zero or Baud Rate Check holds the UART at the rate it came at.
    if (frame_.empty() && Baud() == 0 && (byte == kSync || byte == kBaudRateCheck)) {
        SetRate(chipRates_, arrives, received.baud);
    }
    lastArrival_ = arrives;
    if (frame_.empty()) frameLength_ = BootProgram::FrameLength(byte);
    frame_.push_back(byte);
    if (frame_.size() < frameLength_) return;
    // One command at a time: a command that came in while the chip was busy waits for it, and
    // one still waiting when the chip is reset or hangs is never carried out.
    const Time at = std::max(arrives, busyUntil_);
    if (!StopDue(at)) Execute(at);
    frame_.clear();
}

void Chip::Execute(Time at) {
    const CommandResult result = faults_.Run(boot_, frame_);
    log_.push_back({at, frame_[0], result.address, result.refused});
    Emit(result.reply, at);
    // An echo leaves at the old rate; then the chip listens and answers at the new one.
    if (result.newBaud != 0) SetRate(chipRates_, std::max(at, txFree_), result.newBaud);
    busyUntil_ = at + result.busy;
    if (result.then == CommandResult::Then::FallSilent) silent_ = true;
    if (result.then == CommandResult::Then::Reset) ResetAt(at);
}

}  // namespace bramblet::sim
