#pragma once
// A serial line to the simulated chip in virtual time, for tests:
//
//     sim::VirtualLink link(sim::ChipConfig{...});
//     Writer writer(view, link.Opener());
//     writer.WriteSequence();
//     EXPECT_EQ(link.Target().Read(0xC000), 0x12);
//     EXPECT_EQ(link.Now(), 1078ms);
//
// A read takes exactly the time a real one would: it returns when its last byte arrives, or when
// its reply window (30 ms + 4 ms per requested byte) has passed since it began. A write returns
// at once, as a write into a serial driver's queue does; its bytes then leave one byte time
// apart (10 bits at the rate Setup chose). Nothing else moves the clock, so a whole write of a
// large file runs in milliseconds of real time and its protocol time can be asserted exactly.
// Setup may be called again to change the rate mid-session; the chip keeps its own rate, and
// bytes between the two at different rates arrive as a UART would sample them. The line can be
// unplugged at a moment of the virtual clock, as a USB adapter pulled out while a write runs;
// the chip's faults (ChipConfig::faults) spoil bytes on the line, reset it or make it hang.
// An adapter other than the ideal one sits between the port and the chip's line, as a
// USB-serial adapter does: its frames and packets decide when bytes arrive.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/Adapter.h"
#include "sim/Chip.h"
#include "writer/link/SerialPort.h"

namespace bramblet::sim {

class VirtualLink {
public:
    explicit VirtualLink(const ChipConfig& config = {}, const Adapter& adapter = {});
    ~VirtualLink();
    VirtualLink(const VirtualLink&) = delete;
    VirtualLink& operator=(const VirtualLink&) = delete;

    // Opens the line under any non-empty port name, one holder at a time; otherwise the open
    // fails as a missing (NotFound) or held (Busy) port does.
    PortOpener& Opener();
    // The port is unplugged: every open fails as a missing device.
    void SetPortMissing(bool missing) { portMissing_ = missing; }
    // The device goes at `when` on the virtual clock: a read under way ends then with what had
    // come, bytes still going out to the chip stop there, the open port is lost from then on
    // (nothing more goes out, reads end at once), and every later open fails as a missing device.
    void UnplugAt(Time when) {
        unplugAt_ = when;
        line_->CutHostLine(when);
    }
    void Unplug() { UnplugAt(now_); }
    bool Unplugged() const { return unplugAt_ && now_ >= *unplugAt_; }

    Chip& Target() { return chip_; }
    const Chip& Target() const { return chip_; }

    // The port has no modem lines, as a pseudo-terminal has none: SetLine refuses them and
    // Setup cannot raise DTR.
    void SetModemLines(bool present) { modemLines_ = present; }

    // The virtual clock: zero at power-on, moved only by reads, pauses and Advance.
    Time Now() const { return now_; }
    void Advance(Time by) { now_ += by; }

    // What the writer did on the line.
    struct Frame {
        Time at;
        std::vector<std::uint8_t> bytes;  // one Write call
        // The bytes the line had carried before it, from the host and from the chip, as the
        // chip's faults count them.
        std::uint64_t fromHost = 0;
        std::uint64_t toHost = 0;
    };
    struct ReadCall {
        Time start;
        Time end;
        std::size_t requested;
        std::size_t got;
    };
    // Each change of DTR or RTS: Setup raising DTR, SetLine, and the close, which clears both
    // as the serial drivers do.
    struct LineChange {
        Time at;
        ModemLine line;
        bool asserted;
        bool operator==(const LineChange&) const = default;
    };
    const std::vector<Frame>& Frames() const { return frames_; }
    const std::vector<LineChange>& LineChanges() const { return lineChanges_; }
    const std::vector<ReadCall>& Reads() const { return reads_; }
    void ClearLog();

    std::uint32_t Baud() const { return baud_; }  // the host's rate, 0 until a Setup
    bool PortOpen() const { return open_; }
    int Opens() const { return opens_; }
    const std::string& LastPortName() const { return lastName_; }

private:
    class Port;
    class LinkOpener;
    friend class Port;
    friend class LinkOpener;

    void Purge();
    std::size_t Read(std::uint8_t* buffer, std::size_t n);
    void Write(const std::uint8_t* bytes, std::size_t n);
    void SetLines(bool dtr, bool rts);

    Chip chip_;
    std::unique_ptr<AdapterLine> adapter_;  // null for the ideal adapter
    HostLine* line_;                        // the adapter, else the chip's own line
    std::unique_ptr<PortOpener> opener_;
    Time now_{0};
    std::uint32_t baud_ = 0;
    std::vector<Frame> frames_;
    std::vector<ReadCall> reads_;
    std::vector<LineChange> lineChanges_;
    bool modemLines_ = true;
    bool dtr_ = false;
    bool rts_ = false;
    bool portMissing_ = false;
    std::optional<Time> unplugAt_;
    bool open_ = false;
    int opens_ = 0;
    std::string lastName_;
};

}  // namespace bramblet::sim
