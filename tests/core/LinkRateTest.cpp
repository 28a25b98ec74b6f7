// The fast link of the command line over the virtual line: the move to another rate before the
// ID check, each way it can fail, and the reads that return as soon as their bytes are there.
#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"

namespace bramblet::testing {
namespace {

class LinkRateTest : public LinkFixture {
protected:
    void Rate(std::uint32_t baud, const sim::ChipConfig& config = {}) {
        Chip(config);
        linkOptions.baud = baud;
    }
    // The frames after the connection's Baud Rate Check and status read.
    std::vector<Bytes8> AfterConnecting() {
        const auto frames = Frames();
        auto check = std::find(frames.begin(), frames.end(), Bytes8{0xB0});
        EXPECT_NE(check, frames.end());
        return std::vector<Bytes8>(check + 2, frames.end());
    }
    TempDir dir;
};

TEST_F(LinkRateTest, ChipAndPortMoveTogetherBeforeTheIdCheck) {
    Rate(115200);
    const Outcome outcome = W().Unlock(T());
    ASSERT_TRUE(outcome.Succeeded()) << outcome.text;
    const auto after = AfterConnecting();
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[0], Bytes8{0xB4});  // the rate command, then a status read at the new rate
    EXPECT_EQ(after[1], Bytes8{0x70});
    EXPECT_EQ(after[2], Bytes8{0x70});  // the ID check's own status read
    EXPECT_EQ(Link().Baud(), 115200u);
    EXPECT_EQ(Link().Target().Baud(), 115200u);
    // The echo and the confirming status were taken as soon as they came.
    const auto& reads = Link().Reads();
    const auto echo = std::find_if(reads.begin(), reads.end(), [](const auto& r) {
        return r.requested == 1 && r.got == 1 && r.end - r.start < std::chrono::milliseconds(2);
    });
    EXPECT_NE(echo, reads.end());
    W().CloseCommHandle();

    // Each rate has its code; the design's rate moves too when asked for by name.
    for (const auto& [baud, code] : std::vector<std::pair<std::uint32_t, std::uint8_t>>{
             {19200, 0xB1}, {38400, 0xB2}, {57600, 0xB3}}) {
        Rate(baud);
        ASSERT_TRUE(W().Unlock(T()).Succeeded()) << baud;
        EXPECT_EQ(AfterConnecting().front(), Bytes8{code});
        EXPECT_EQ(Link().Target().Baud(), baud);
        W().CloseCommHandle();
    }
}

TEST_F(LinkRateTest, EachFailureToMoveStopsBeforeTheIdCheck) {
    // The chip does not know the rate: no echo.
    sim::ChipConfig old;
    old.maxBaud = 57600;
    Rate(115200, old);
    view.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 16));
    Outcome outcome = W().WriteSequence(T());
    EXPECT_EQ(outcome.failed, Step::BaudRate);
    EXPECT_EQ(view.LastStatus(), "通信速度を115200bpsに切り替えられません!");
    EXPECT_EQ(outcome.detail, "the chip did not echo the baud-rate command B4 for 115200 baud");
    EXPECT_EQ(view.beeps, std::vector<std::uint32_t>{kBeepFailure});
    EXPECT_EQ(Count(0xF5), 0);
    EXPECT_EQ(Count(0xA7), 0);
    EXPECT_FALSE(Link().PortOpen());

    // It echoes, but its status does not come whole at the new rate.
    sim::ChipConfig shortStatus;
    shortStatus.faults.statusReplyLength = 1;
    Rate(115200, shortStatus);
    view = {};
    view.fileName = dir.Name("prog.mot");
    outcome = W().EraseSequence(T());
    EXPECT_EQ(outcome.failed, Step::BaudRate);
    EXPECT_EQ(outcome.detail, "no status from the chip at 115200 baud");
    EXPECT_EQ(Count(0xA7), 0);

    // An echo of something else is no echo (the connection's 0xB0 is answered rightly).
    sim::ChipConfig wrongEcho;
    wrongEcho.faults.baudEcho = Bytes8{0xB0};
    Rate(57600, wrongEcho);
    outcome = W().Unlock(T());
    EXPECT_EQ(outcome.failed, Step::BaudRate);
    EXPECT_EQ(outcome.detail, "the chip did not echo the baud-rate command B3 for 57600 baud");
    EXPECT_EQ(W().CommHandle(), nullptr);
}

TEST_F(LinkRateTest, FastReadsTakeTheStatusAndThePageAsTheyCome) {
    Rate(115200);
    view.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 0x300));
    ASSERT_TRUE(W().WriteSequence(T()).Succeeded()) << view.LastStatus();
    const auto& reads = Link().Reads();
    EXPECT_EQ(
        std::count_if(reads.begin(), reads.end(), [](const auto& r) { return r.requested == 50; }),
        0);
    // One read of 256 per page verified, and no one-byte reads after the connection.
    EXPECT_EQ(std::count_if(reads.begin(), reads.end(),
                            [](const auto& r) { return r.requested == 256 && r.got == 256; }),
              3);
    const auto lastSync =
        std::find_if(reads.rbegin(), reads.rend(), [](const auto& r) { return r.requested == 1; });
    EXPECT_TRUE(lastSync->got == 1);  // the rate command's echo, the last one-byte read
    // Each page's status came once programming was done, not at the end of a window.
    for (const auto& r : reads) {
        if (r.requested == 2 && r.got == 2) {
            EXPECT_LT(r.end - r.start, std::chrono::milliseconds(38)) << r.start.count();
        }
    }
    // The whole write, erase included, in far less than the design's link would take.
    EXPECT_LT(Link().Now(), std::chrono::seconds(3));
}

}  // namespace
}  // namespace bramblet::testing
