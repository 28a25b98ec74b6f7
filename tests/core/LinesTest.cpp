// Boot entry and exit by the adapter's modem lines, over the virtual line to a chip whose RESET
// and mode pins are wired to RTS and DTR.
#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"

namespace bramblet::testing {
namespace {

using Change = sim::VirtualLink::LineChange;
using Changes = std::vector<Change>;
constexpr ModemLine kDtr = ModemLine::Dtr;
constexpr ModemLine kRts = ModemLine::Rts;

LineSequence Steps(const char* text) {
    return ParseLineSequence(text).value();
}

// RESET held while RTS is asserted, the mode pin at its boot level while DTR is: a chip that runs
// its program from power-on, since both lines are cleared then.
sim::ChipConfig Wired() {
    sim::ChipConfig config;
    config.wiring.reset = sim::PinWire{kRts};
    config.wiring.mode = sim::PinWire{kDtr};
    return config;
}

class LinesTest : public LinkFixture {
protected:
    TempDir dir;
};

TEST_F(LinesTest, BeforeAndAfterDriveTheLinesAroundTheCommandAtTheirTimes) {
    Chip(Wired());
    EXPECT_FALSE(Link().Target().InBootMode());
    Link().Target().Load(0xC000, std::vector<std::uint8_t>{0x12});
    linkOptions.before = Steps("dtr=1,rts=1,wait=50,rts=0,wait=100");
    linkOptions.after = Steps("dtr=0,rts=1,wait=50,rts=0");
    const Outcome outcome = W().EraseSequence(T());
    ASSERT_TRUE(outcome.Succeeded()) << outcome.text << outcome.lineError;
    EXPECT_EQ(Link().Target().Read(0xC000), 0xFF);

    const auto end = Link().Reads().back().end;                  // the erase's last status poll
    EXPECT_EQ(Link().LineChanges(), (Changes{{0ms, kDtr, true},  // Setup raises DTR
                                             {0ms, kRts, true},
                                             {50ms, kRts, false},
                                             {end, kDtr, false},
                                             {end, kRts, true},
                                             {end + 50ms, kRts, false}}));
    // The stale-input read (430 ms) follows the sequence, then the first synchronisation zero.
    ASSERT_FALSE(Link().Frames().empty());
    EXPECT_EQ(Link().Frames().front().at, 580ms);
    EXPECT_EQ(Link().Frames().front().bytes, Bytes8{0x00});
    // RESET released with the mode pin at its other level: the chip runs its program again.
    EXPECT_FALSE(Link().Target().InBootMode());
    EXPECT_EQ(Link().Now(), end + 50ms);
    EXPECT_FALSE(Link().PortOpen());
}

TEST_F(LinesTest, ChipInItsProgramAnswersOnlyOnceTheLinesBringItIntoBootMode) {
    Chip(Wired());
    Outcome outcome = W().Unlock(T());
    EXPECT_EQ(outcome.failed, Step::Connect);
    EXPECT_EQ(outcome.text, kNoAnswer);
    EXPECT_TRUE(Link().Target().Log().empty());  // the boot program never heard a byte

    // Reset with the mode pin at its program level: the chip restarts its program.
    linkOptions.before = Steps("dtr=0,rts=1,wait=10,rts=0");
    EXPECT_EQ(W().Unlock(T()).failed, Step::Connect);
    EXPECT_TRUE(Link().Target().Log().empty());

    // Setup's DTR is the boot level; a reset pulse alone starts the boot program.
    linkOptions.before = Steps("rts=1,wait=10,rts=0");
    outcome = W().Unlock(T());
    ASSERT_TRUE(outcome.Succeeded()) << outcome.text;
    EXPECT_TRUE(Link().Target().InBootMode());
    EXPECT_EQ(W().CloseCommHandle(), "");

    // The other polarity: RESET held while RTS is cleared, the mode pin left to the board.
    sim::ChipConfig inverted;
    inverted.wiring.reset = sim::PinWire{kRts, true};
    Chip(inverted);
    linkOptions.before = {};
    EXPECT_EQ(W().Unlock(T()).failed, Step::Connect);
    linkOptions.before = Steps("rts=1");
    EXPECT_TRUE(W().Unlock(T()).Succeeded());
}

TEST_F(LinesTest, PortWithoutModemLinesIsRefusedBeforeAnythingIsSent) {
    view.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 16));
    Link().SetModemLines(false);
    linkOptions.before = Steps("wait=20,rts=1,wait=50,rts=0");
    Outcome outcome = W().WriteSequence(T());
    EXPECT_EQ(outcome.failed, Step::Lines);
    EXPECT_EQ(outcome.text, kNoAnswer);
    EXPECT_EQ(view.beeps, std::vector<std::uint32_t>{kBeepFailure});
    EXPECT_EQ(outcome.lineError,
              "cannot drive RTS on COM1, a port without modem lines: no modem lines");
    EXPECT_TRUE(Link().Frames().empty());
    EXPECT_EQ(Link().Now(), 0ms);
    EXPECT_FALSE(Link().PortOpen());

    // An --after alone is refused just as early; waits alone need no lines.
    linkOptions.before = {};
    linkOptions.after = Steps("dtr=0");
    outcome = W().EraseSequence(T());
    EXPECT_EQ(outcome.failed, Step::Lines);
    EXPECT_EQ(outcome.lineError,
              "cannot drive DTR on COM1, a port without modem lines: no modem lines");
    EXPECT_TRUE(Link().Frames().empty());
    linkOptions.before = Steps("wait=20");
    linkOptions.after = Steps("wait=20");
    EXPECT_TRUE(W().EraseSequence(T()).Succeeded());
}

}  // namespace
}  // namespace bramblet::testing
