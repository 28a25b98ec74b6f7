// The adapter models against the bare line: the same chip, the same bytes, and each byte's
// arrival moved exactly as the model's frames, packets and timer say.
#include <gtest/gtest.h>

#include <vector>

#include "sim/Adapter.h"
#include "sim/Chip.h"

namespace bramblet::sim {
namespace {

using namespace std::chrono_literals;

// A chip that returns every byte, so a reply of any length is one write away.
ChipConfig LoopBack() {
    ChipConfig config;
    config.faults.loopBack = true;
    return config;
}

// When each of `n` bytes sent at `sent` comes back to the host at 115200 baud.
std::vector<Time> Arrivals(HostLine& line, std::size_t n, Time sent) {
    line.SetHostBaud(115200, Time{0});
    for (std::size_t i = 0; i < n; ++i) line.HostSends(static_cast<std::uint8_t>(i), sent);
    std::vector<Time> arrivals;
    while (const HostLine::Reply* reply = line.NextReply(10s)) {
        EXPECT_EQ(reply->byte, static_cast<std::uint8_t>(arrivals.size()));
        arrivals.push_back(reply->arrives);
        line.PopReply();
    }
    EXPECT_EQ(arrivals.size(), n);
    return arrivals;
}

std::vector<Time> Bare(std::size_t n, Time sent) {
    Chip chip(LoopBack());
    return Arrivals(chip, n, sent);
}

std::vector<Time> Through(const std::string& adapter, std::size_t n, Time sent) {
    Chip chip(LoopBack());
    AdapterLine line(chip, *ParseAdapter(adapter));
    return Arrivals(line, n, sent);
}

TEST(AdapterTest, AShortReplyWaitsForTheTimerStartedByItsFirstByte) {
    // Sent at 2.5 ms, the bytes leave on the frame at 3 ms.
    const std::vector<Time> bare = Bare(5, 3ms);
    for (const char* adapter : {"ftdi", "ftdi:1", "ftdi:64", "cp210x", "ch340", "pl2303"}) {
        const Time latency = ParseAdapter(adapter)->latency;
        const std::vector<Time> got = Through(adapter, 5, 2500us);
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i], bare[0] + latency) << adapter << " byte " << i;
        }
    }
}

TEST(AdapterTest, AFullPacketGoesAtOnceAndTheRestStartsATimerOfItsOwn) {
    const std::vector<Time> bare = Bare(100, 1ms);
    const std::vector<Time> ftdi = Through("ftdi", 100, Time{0});
    for (std::size_t i = 0; i < 62; ++i) EXPECT_EQ(ftdi[i], bare[61]) << i;
    for (std::size_t i = 62; i < 100; ++i) EXPECT_EQ(ftdi[i], bare[62] + 16ms) << i;

}

TEST(AdapterTest, HostBytesWaitForTheNextFrameAndKeepTheirOrderWithRateChanges) {
    // A byte handed over on a frame's boundary waits for the next one.
    EXPECT_EQ(Through("pl2303", 1, 1ms)[0], Bare(1, 2ms)[0] + 1ms);

    // A rate change after a byte does not overtake it on its way to the chip: the byte still
    // leaves at the old rate and comes back whole.
    Chip chip(LoopBack());
    AdapterLine line(chip, *ParseAdapter("cp210x"));
    line.SetHostBaud(19200, Time{0});
    line.HostSends(0x5A, 100us);
    line.SetHostBaud(19200, 200us);
    const HostLine::Reply* reply = line.NextReply(1s);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->byte, 0x5A);
}

TEST(AdapterTest, NamesAndTimerSettings) {
    for (const AdapterModel& model : kAdapterModels) {
        const std::optional<Adapter> adapter = ParseAdapter(model.name);
        ASSERT_TRUE(adapter) << model.name;
        EXPECT_EQ(adapter->Spelled(), model.name);
        EXPECT_EQ(adapter->Ideal(), std::string(model.name) == "ideal");
    }
    EXPECT_EQ(ParseAdapter("ftdi:1")->latency, 1ms);
    EXPECT_EQ(ParseAdapter("ftdi:255")->Spelled(), "ftdi:255");
    EXPECT_EQ(ParseAdapter("ftdi:16")->Spelled(), "ftdi");
    for (const char* wrong : {"ftdi:0", "ftdi:256", "ftdi:", "ftdi:1x", "ftdi:-1", "cp210x:5",
                              "ideal:1", "FTDI", "usb", ""}) {
        EXPECT_FALSE(ParseAdapter(wrong)) << wrong;
    }
}

}  // namespace
}  // namespace bramblet::sim
