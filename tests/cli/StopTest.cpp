// A stop asked for while a modem-line sequence waits, over the virtual line.
#include "tests/support/LinkFixture.h"
#include "writer/cli/Stop.h"

namespace bramblet::testing {
namespace {

using StopTest = LinkFixture;

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
