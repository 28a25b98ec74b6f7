#pragma once
// The USB-serial adapter between the host and the chip's line. Nearly every user reaches the chip
// through one, and it changes when bytes arrive: the host's bytes wait for the next USB frame,
// and the chip's wait in the adapter until a USB packet is full or the adapter's timer for a
// short reply runs out. The models are one table; where a figure comes from is in each row.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/HostLine.h"

namespace bramblet::sim {

using namespace std::chrono_literals;

struct AdapterModel {
    const char* name;
    // Bytes from the chip one USB packet carries to the host; 0: each byte as it arrives.
    std::size_t packetBytes;
    // How long a byte that finds the adapter's buffer empty waits for more before the adapter
    // sends what it holds.
    Time latency;
    // The host's bytes leave on USB frames this long apart; 0: at once.
    Time frame;
    // Whether name:MS sets the latency, as FTDI's latency timer is a setting.
    bool timerSetting;
};

// Sources of the figures (full-speed USB: 1 ms frames, bulk packets of at most 64 bytes):
// - ftdi: 64-byte packets of which 2 are status, so 62 data bytes; the latency timer, 16 ms
//   by default, 1 to 255 (FTDI application note AN232B-04, "Data Throughput, Latency and
//   Handshaking", section 2.3, quoted in crayzeewulf/libserial issue #150; the 16 ms default
//   also in Sealevel's support page on the latency timer).
// - cp210x: 64-byte packets (assumed: the full-speed bulk maximum); 3.5 ms a transfer,
//   derived from one published comparison (blog.goo.ne.jp/jh3kxm, a firmware write and
//   verify: FT232 46.8 s at 16 ms and 23.2 s at 1 ms, CP2102 27.2 s, same machine), assuming
//   the difference is all per-transfer delay: 23.6 s over 15 ms is about 1570 transfers, and
//   4.0 s more than the FT232 at 1 ms over those is 2.5 ms more a transfer.
// - ch340: 32-byte packets (its bulk endpoint's size: reads of 32 bytes and multiples meet the
//   packet edge, felHR85/UsbSerial issue #94); 2.4 ms a transfer, derived as for cp210x from
//   the same comparison (CH340 25.4 s: 2.2 s more, 1.4 ms more a transfer).
// - pl2303: 64-byte packets and 1 ms: both assumptions, no published figure found; 1 ms is the
//   host's polling of a full-speed bulk endpoint, which no loop-back beats (pyserial issue
//   #733).
inline constexpr std::array<AdapterModel, 5> kAdapterModels{{
    {"ideal", 0, 0ms, 0ms, false},
    {"ftdi", 62, 16ms, 1ms, true},
    {"cp210x", 64, 3500us, 1ms, false},
    {"ch340", 32, 2400us, 1ms, false},
    {"pl2303", 64, 1ms, 1ms, false},
}};

// One adapter as chosen: a model, with its latency as set.
struct Adapter {
    std::string name = "ideal";
    std::size_t packetBytes = 0;
    Time latency{0};
    Time frame{0};

    bool Ideal() const { return packetBytes == 0 && frame == Time{0}; }
    // As --adapter takes it: "ftdi:1" where the timer was set, else the model's name.
    std::string Spelled() const;
};

// "ideal", "ftdi", "ftdi:MS" (1 to 255), "cp210x", "ch340", "pl2303"; nothing for another text.
std::optional<Adapter> ParseAdapter(const std::string& text);
Adapter AdapterOf(const AdapterModel& model);

// An adapter in front of the host's end of a line: it hands the host's bytes on at the next USB
// frame and the chip's in packets, and is itself the host's end of the line.
class AdapterLine : public HostLine {
public:
    AdapterLine(HostLine& line, const Adapter& adapter) : line_(line), adapter_(adapter) {}

    void SetHostBaud(std::uint32_t baud, Time at) override;
    void HostSends(std::uint8_t byte, Time sent) override;
    const Reply* NextReply(Time by) override;
    void PopReply() override { delivered_.pop_front(); }
    // Also when the adapter takes a byte from the chip or its timer runs out.
    std::optional<Time> NextEvent() const override;
    void SetHostLines(Time at, bool dtr, bool rts) override;
    void CutHostLine(Time at) override { line_.CutHostLine(at); }
    std::uint64_t BytesFromHost() const override { return line_.BytesFromHost(); }
    std::uint64_t BytesToHost() const override { return line_.BytesToHost(); }

private:
    // The start of the USB frame after `t`.
    Time FrameAfter(Time t) const;
    // What the host does reaches the line in its order, however the frames fall.
    Time Onward(Time t);
    void Ship(Time at);

    HostLine& line_;
    const Adapter adapter_;
    Time forwarded_{0};
    std::vector<std::uint8_t> buffer_;  // taken from the chip, not yet sent on
    Time bufferStart_{0};               // when the first of them came
    std::deque<Reply> delivered_;       // at the host, not yet taken
};

}  // namespace bramblet::sim
