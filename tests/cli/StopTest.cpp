// Stops over the virtual line: during a write the read under way ends as it would, no frame is
// begun after it, the port is let go and the outcome names the step and the page; a long wait
// of a modem-line sequence ends at once.
#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/cli/Stop.h"

namespace bramblet::testing {
namespace {

class StopTest : public LinkFixture {};

TEST_F(StopTest, WriteStopsAtTheNextReadAndBeginsNoFrame) {
    TempDir dir;
    view.fileName = dir.Write("prog.mot", SRecords('1', 0xC000, 0x400) + "S9030000FC\n");
    bool stop = false;
    StoppablePorts ports(Link().Opener(), [&] { return stop; });
    Session session(ports, view, view);
    std::size_t framesAtStop = 0;
    sim::Time stoppedAt{};
    int pages = 0;
    view.onProgress = [&](int) {
        // Progress comes after each page of the pass: here two pages are programmed.
        if (view.LastStatus() != "フラッシュ書き込み中" || ++pages != 2) return;
        stop = true;
        framesAtStop = Link().Frames().size();
        stoppedAt = Link().Now();
    };
    const Outcome outcome = session.WriteSequence(T());
    EXPECT_EQ(outcome.failed, Step::Program);
    EXPECT_EQ(outcome.lost.kind, PortLoss::Kind::Stopped);
    EXPECT_EQ(outcome.page, 0xC200u);
    EXPECT_EQ(outcome.text, "フラッシュ書き込みに失敗しました!");
    // Nothing of the third page went out, and the step ended at once.
    ASSERT_GE(framesAtStop, 2u);
    EXPECT_EQ(Link().Frames().size(), framesAtStop);
    EXPECT_EQ(Link().Now(), stoppedAt);
    EXPECT_FALSE(Link().PortOpen());
    EXPECT_EQ(Link().Target().PagesProgrammed(), 2);
}

TEST_F(StopTest, StopDuringALongLineWaitEndsTheCommandAtOnce) {
    StoppablePorts stoppable(Link().Opener(), [&] { return Link().Now() >= 200ms; });
    Session session(stoppable, view, view);
    LinkOptions link;
    link.before = ParseLineSequence("dtr=1,wait=600000,rts=1").value();
    link.after = ParseLineSequence("rts=0").value();
    const Outcome outcome = session.EraseSequence(view.ToTarget(link));
    EXPECT_EQ(outcome.failed, Step::Connect);
    EXPECT_EQ(outcome.lost.kind, PortLoss::Kind::Stopped);
    EXPECT_EQ(Link().Now(), 200ms);
    EXPECT_TRUE(Link().Frames().empty());
    // Neither the rest of --before nor --after: the port was let go, which cleared DTR.
    EXPECT_EQ(Link().LineChanges(),
              (std::vector<sim::VirtualLink::LineChange>{{0ms, ModemLine::Dtr, true},
                                                         {200ms, ModemLine::Dtr, false}}));
    EXPECT_FALSE(Link().PortOpen());
}

}  // namespace
}  // namespace bramblet::testing
