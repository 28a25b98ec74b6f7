#include "sim/Chip.h"

#include <algorithm>

namespace bramblet::sim {
namespace {

constexpr std::uint8_t kSync = 0x00;
constexpr std::uint8_t kBaudCheck = bramblet::kLinkRates.front().code;
constexpr std::uint8_t kReadStatus = 0x70;
constexpr std::uint8_t kClearStatus = 0x50;
constexpr std::uint8_t kVersion = 0xFB;
constexpr std::uint8_t kCheckData = 0xFD;
constexpr std::uint8_t kIdCheck = 0xF5;
constexpr std::uint8_t kEraseAll = 0xA7;
constexpr std::uint8_t kBlockErase = 0x20;
constexpr std::uint8_t kConfirm = 0xD0;
constexpr std::uint8_t kPageProgram = 0x41;
constexpr std::uint8_t kPageRead = 0xFF;
constexpr std::uint8_t kReadLockBit = 0x71;
constexpr std::uint8_t kProgramLockBit = 0x77;
constexpr std::uint8_t kLockBitEnable = 0x7A;
constexpr std::uint8_t kLockBitDisable = 0x75;

constexpr std::size_t kPage = 256;
constexpr std::array<std::uint32_t, 7> kIdOffsets = {0x00, 0x04, 0x0C, 0x10, 0x14, 0x18, 0x1C};

// Page, block and lock-bit frames carry address bits 8-15, then 16-23.
std::uint32_t PageAddress(const std::vector<std::uint8_t>& frame) {
    return static_cast<std::uint32_t>(frame[1]) << 8 | static_cast<std::uint32_t>(frame[2]) << 16;
}

}  // namespace

std::vector<Block> DefaultBlocks(Family family) {
    return FlashBlocks(family);
}

std::array<std::uint32_t, 7> IdAddresses(Family family) {
    std::array<std::uint32_t, 7> addresses{};
    for (std::size_t i = 0; i < 7; ++i) addresses[i] = IdAddress(family) + kIdOffsets[i];
    return addresses;
}

std::optional<Family> ParseChipFamily(const std::string& text) {
    const std::optional<Family> family = bramblet::ParseFamily(text);
    if (family == Family::R8CM) return std::nullopt;
    return family;
}

Chip::Chip(const ChipConfig& config)
    : config_(config),
      blocks_(config.blocks.empty() ? DefaultBlocks(config.family) : config.blocks),
      chipRates_{{Time{0}, config.fixedBaud}},
      hostRates_{{Time{0}, 9600}},
      resetDue_(config.faults.resetAt) {
    for (const Block& block : blocks_) memory_.emplace_back(block.size, 0xFF);
    locked_.assign(blocks_.size(), false);
    if (config_.idCode) {
        const auto addresses = IdAddresses(config_.family);
        for (std::size_t i = 0; i < 7; ++i) {
            if (std::uint8_t* cell = Cell(addresses[i])) *cell = (*config_.idCode)[i];
        }
    }
    PowerOn();
    state_ = StateFromPins();
    // Glitches while the board powers up, as the host's UART takes them whatever its rate.
    const auto& noise = config_.faults.powerOnNoise;
    for (std::size_t i = 0; i < noise.size(); ++i) {
        replies_.push_back({noise[i], static_cast<long>(i + 1) * ByteTime(9600)});
    }
}

void Chip::PowerOn() {
    srdErrors_ = 0;
    srd1_ = config_.verifiedWhenBlank && IdAreaBlank() ? kSrd1IdVerified : 0x00;
    lockBitsEnabled_ = true;
    frame_.clear();
    zeroRun_ = 0;
    checkSum_ = 0;
}

bool Chip::Knows(std::uint32_t baud) const {
    return baud <= config_.maxBaud && IsLinkRate(baud);
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
        return config_.faults.loopBack || Knows(sentBaud) ? sentBaud : 0;
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
    PowerOn();
    state_ = StateFromPins();
}

bool Chip::PinActive(const std::optional<PinWire>& pin, bool unwired) const {
    if (!pin) return unwired;
    return (pin->line == ModemLine::Dtr ? dtr_ : rts_) != pin->inverted;
}

Chip::State Chip::StateFromPins() const {
    if (PinActive(config_.wiring.reset, false)) return State::HeldInReset;
    return PinActive(config_.wiring.mode, true) ? State::Boot : State::Program;
}

void Chip::SetHostLines(Time at, bool dtr, bool rts) {
    const Wiring& wiring = config_.wiring;
    if (!wiring.reset && !wiring.mode) return;
    Advance(at);
    const bool wasHeld = PinActive(wiring.reset, false);
    dtr_ = dtr;
    rts_ = rts;
    const bool held = PinActive(wiring.reset, false);
    if (held && !wasHeld) {
        ResetAt(at);
    } else if (wasHeld && !held) {
        state_ = StateFromPins();
        listensFrom_ = at + wiring.bootStart;
    }
}

bool Chip::IdAreaBlank() const {
    for (std::uint32_t address : IdAddresses(config_.family)) {
        if (Read(address) != 0xFF) return false;
    }
    return true;
}

int Chip::BlockOf(std::uint32_t address) const {
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        if (address >= blocks_[i].start && address - blocks_[i].start < blocks_[i].size) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool Chip::InFlash(std::uint32_t address) const {
    return BlockOf(address) >= 0;
}

std::uint8_t* Chip::Cell(std::uint32_t address) {
    const int block = BlockOf(address);
    return block < 0 ? nullptr : &memory_[block][address - blocks_[block].start];
}

std::uint8_t Chip::Read(std::uint32_t address) const {
    const int block = BlockOf(address);
    return block < 0 ? 0xFF : memory_[block][address - blocks_[block].start];
}

void Chip::Load(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (std::uint8_t* cell = Cell(static_cast<std::uint32_t>(address + i))) *cell = bytes[i];
    }
}

std::uint8_t Chip::Srd() const {
    return kSrdReady | srdErrors_;
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

void Chip::Emit(std::initializer_list<std::uint8_t> bytes, Time at) {
    Emit(std::span<const std::uint8_t>(bytes.begin(), bytes.size()), at);
}

void Chip::Note(Time at, std::uint8_t command, std::uint32_t address, bool refused) {
    log_.push_back({at, command, address, refused});
}

std::size_t Chip::FrameLength(std::uint8_t command) const {
    switch (command) {
        case kPageProgram:
            return 3 + kPage;
        case kPageRead:
        case kReadLockBit:
            return 3;
        case kBlockErase:
        case kProgramLockBit:
            return 4;
        case kEraseAll:
            return 2;
        case kIdCheck:
            return 5 + 7;
        default:
            return 1;
    }
}

void Chip::Heard(const UartLine::Received& received) {
    // The boot program drops a byte its UART flagged.
    if (received.framingError) return;
    const std::uint8_t byte = received.byte;
    const Time arrives = received.arrives;
    if (config_.faults.loopBack) {
        Emit({byte}, arrives);
        return;
    }
    if (silent_) return;
    // Held in reset, running its own program, or starting up: the boot program hears nothing.
    if (state_ != State::Boot || arrives - ByteTime(received.baud) < listensFrom_) return;
    if (!frame_.empty() && arrives - lastArrival_ > config_.receiveTimeout) {
        // The rest of the command never came: the boot program drops it and flags the time-out.
        Note(lastArrival_, frame_[0], 0, true);
        frame_.clear();
        srd1_ |= kSrd1ReceiveTimeout;
    }
    // Synchronisation: the first zero or Baud Rate Check holds the UART at the rate it came at.
    if (frame_.empty() && Baud() == 0 && (byte == kSync || byte == kBaudCheck)) {
        SetRate(chipRates_, arrives, received.baud);
    }
    lastArrival_ = arrives;
    if (frame_.empty()) frameLength_ = FrameLength(byte);
    frame_.push_back(byte);
    if (frame_.size() < frameLength_) return;
    // One command at a time: a command that came in while the chip was busy waits for it, and
    // one still waiting when the chip is reset or hangs is never carried out.
    const Time at = std::max(arrives, busyUntil_);
    if (!StopDue(at)) Execute(at);
    frame_.clear();
}

void Chip::Execute(Time at) {
    const Faults& faults = config_.faults;
    const std::uint8_t command = frame_[0];
    zeroRun_ = command == kSync ? zeroRun_ + 1 : 0;
    const bool unlocked = IdVerified() && srdErrors_ == 0;

    switch (command) {
        case kSync:
            Note(at, command, 0, false);
            if (faults.syncAnswerAfter > 0 && zeroRun_ == faults.syncAnswerAfter) {
                Emit(faults.syncAnswer, at);
            }
            return;
        case kReadStatus: {
            Note(at, command, 0, false);
            const std::array<std::uint8_t, 2> status = {Srd(), srd1_};
            const auto n = static_cast<std::size_t>(std::clamp(faults.statusReplyLength, 0, 2));
            Emit(std::span(status.data(), n), at);
            return;
        }
        case kClearStatus:
            Note(at, command, 0, false);
            srdErrors_ = 0;
            srd1_ &= ~kSrd1ReceiveTimeout;
            return;
        case kVersion:
            Note(at, command, 0, false);
            Emit(std::span(reinterpret_cast<const std::uint8_t*>(config_.version.data()),
                           config_.version.size()),
                 at);
            return;
        case kIdCheck: {
            const std::uint32_t address = frame_[1] | frame_[2] << 8 | frame_[3] << 16;
            bool match = address == IdAddress(config_.family) && frame_[4] == 7;
            const auto addresses = IdAddresses(config_.family);
            for (std::size_t i = 0; i < 7; ++i)
                match = match && frame_[5 + i] == Read(addresses[i]);
            srd1_ = (srd1_ & ~kSrd1IdMask) | (match ? kSrd1IdVerified : kSrd1IdMismatch);
            Note(at, command, address, !match);
            return;
        }
        default:
            break;
    }

    if (const std::optional<std::uint32_t> named = RateOfCode(command)) {
        // 0xB0 checks the rate the chip holds; the others move it, if the chip knows the rate.
        const std::uint32_t rate = command == kBaudCheck ? 0 : *named;
        if (rate <= config_.maxBaud) {
            Note(at, command, 0, false);
            if (faults.baudEcho) {
                Emit(*faults.baudEcho, at);
            } else {
                Emit({command}, at);
            }
            // The echo leaves at the old rate; then the chip listens and answers at the new one.
            if (rate != 0) SetRate(chipRates_, std::max(at, txFree_), rate);
            return;
        }
    }

    switch (command) {
        case kPageProgram: {
            const std::uint32_t base = PageAddress(frame_);
            if (faults.silentAfterPages && pagesProgrammed_ >= *faults.silentAfterPages) {
                silent_ = true;
                Note(at, command, base, true);
                return;
            }
            if (faults.resetAfterPages && pagesProgrammed_ >= *faults.resetAfterPages &&
                !resetFired_) {
                resetFired_ = true;
                Note(at, command, base, true);
                ResetAt(at);
                return;
            }
            Note(at, command, base, !unlocked);
            if (!unlocked) return;
            std::span<const std::uint8_t> data = std::span(frame_).subspan(3);
            if (faults.programErrorAt == pageCommands_++) {
                // Programming stops half-way: what was not written reads as before.
                std::array<std::uint8_t, kPage> half;
                std::fill(half.begin(), half.end(), 0xFF);
                std::copy_n(data.begin(), kPage / 2, half.begin());
                ProgramPage(base, half);
                srdErrors_ |= kSrdProgramError;
            } else {
                ProgramPage(base, data);
                ++pagesProgrammed_;
            }
            busyUntil_ = at + config_.pageProgramTime;
            return;
        }
        case kPageRead: {
            const std::uint32_t base = PageAddress(frame_);
            Note(at, command, base, !unlocked);
            if (!unlocked) return;
            std::vector<std::uint8_t> page(
                std::clamp<std::size_t>(faults.pageReadLength, 0, kPage));
            for (std::size_t i = 0; i < page.size(); ++i) {
                const auto address = static_cast<std::uint32_t>(base + i);
                page[i] = Read(address);
                if (faults.corruptReadAddress == address) page[i] ^= 0x01;
            }
            Emit(page, at);
            return;
        }
        case kEraseAll:
        case kBlockErase:
        case kProgramLockBit: {
            const std::uint32_t address = command == kEraseAll ? 0 : PageAddress(frame_);
            if (frame_.back() != kConfirm) {
                // Not confirmed: a command sequence error, both flags.
                Note(at, command, address, true);
                srdErrors_ |= kSrdEraseError | kSrdProgramError;
                return;
            }
            Note(at, command, address, !unlocked);
            if (!unlocked) return;
            if (command != kProgramLockBit && faults.eraseErrorAt == erases_++) {
                srdErrors_ |= kSrdEraseError;
                busyUntil_ = at + config_.blockEraseTime;
                return;
            }
            int erased = 0;
            if (command == kEraseAll) {
                for (std::size_t i = 0; i < blocks_.size(); ++i) {
                    if (locked_[i] && lockBitsEnabled_) continue;
                    EraseBlock(static_cast<int>(i));
                    ++erased;
                }
            } else {
                const int block = BlockOf(address);
                const bool lockedNow = block >= 0 && locked_[block] && lockBitsEnabled_;
                if (block < 0 || (command == kBlockErase && lockedNow)) {
                    srdErrors_ |= command == kBlockErase ? kSrdEraseError : kSrdProgramError;
                    return;
                }
                if (command == kBlockErase) {
                    EraseBlock(block);
                    erased = 1;
                } else {
                    locked_[block] = true;
                }
            }
            busyUntil_ = at + (erased ? config_.blockEraseTime * erased : config_.pageProgramTime);
            return;
        }
        case kReadLockBit: {
            const std::uint32_t address = PageAddress(frame_);
            Note(at, command, address, !unlocked);
            if (!unlocked) return;
            const int block = BlockOf(address);
            Emit({static_cast<std::uint8_t>(block >= 0 && locked_[block] ? 0x00 : 0x40)}, at);
            return;
        }
        case kLockBitEnable:
        case kLockBitDisable:
            Note(at, command, 0, !unlocked);
            if (unlocked) lockBitsEnabled_ = command == kLockBitEnable;
            return;
        case kCheckData:
            Note(at, command, 0, !IdVerified());
            if (!IdVerified()) return;
            Emit({static_cast<std::uint8_t>(checkSum_ & 0xFF),
                  static_cast<std::uint8_t>(checkSum_ >> 8)},
                 at);
            checkSum_ = 0;
            return;
        default:
            // Not a command of this boot program.
            Note(at, command, 0, true);
            srdErrors_ |= kSrdEraseError | kSrdProgramError;
            return;
    }
}

void Chip::EraseBlock(int block) {
    std::fill(memory_[block].begin(), memory_[block].end(), 0xFF);
    locked_[block] = false;  // erasing a block also erases its lock bit
}

void Chip::ProgramPage(std::uint32_t base, std::span<const std::uint8_t> data) {
    const int block = BlockOf(base);
    if (block < 0 || (locked_[block] && lockBitsEnabled_)) {
        srdErrors_ |= kSrdProgramError;
        return;
    }
    std::uint8_t* cells = &memory_[block][base - blocks_[block].start];
    for (std::size_t i = 0; i < kPage; ++i) {
        checkSum_ = static_cast<std::uint16_t>(checkSum_ + data[i]);
        // A byte of 0xFF is not programmed at all, so a page written again with 0xFF wherever
        // it brings nothing new leaves the earlier bytes alone. Other bytes are verified whole:
        // programming only clears bits, and a 1 over a 0 fails.
        if (data[i] == 0xFF) continue;
        const std::uint8_t result = cells[i] & data[i];
        if (result != data[i]) srdErrors_ |= kSrdProgramError;
        cells[i] = result;
    }
}

}  // namespace bramblet::sim
