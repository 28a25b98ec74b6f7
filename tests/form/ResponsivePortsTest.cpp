// The window's ports: a read lets the window be served, and the line shows through unchanged,
// a line that has gone above all.
#include "writer/form/ResponsivePorts.h"

#include <gtest/gtest.h>

#include <array>

#include "sim/VirtualLink.h"

namespace bramblet {
namespace {

using namespace std::chrono_literals;

TEST(ResponsivePortsTest, ReadsServeTheWindowAndEverythingElseReachesTheLine) {
    sim::VirtualLink link;
    int served = 0;
    ResponsivePorts ports(link.Opener(), [&] { ++served; });
    OpenResult opened = ports.Open("COM1");
    ASSERT_TRUE(opened.port);
    SerialPort& port = *opened.port;

    EXPECT_TRUE(port.Setup(19200));
    EXPECT_EQ(port.SetLine(ModemLine::Rts, true), "");
    port.Pause(50ms);
    EXPECT_EQ(link.Now(), 50ms);
    EXPECT_EQ(link.LineChanges().back().line, ModemLine::Rts);
    EXPECT_EQ(served, 0);
    std::array<std::uint8_t, 1> byte{};
    EXPECT_EQ(port.Read(byte), 0u);
    EXPECT_EQ(served, 1);

    EXPECT_FALSE(port.Lost());
    link.Unplug();
    EXPECT_EQ(port.Lost().kind, PortLoss::Kind::Gone);
    EXPECT_EQ(port.SetLine(ModemLine::Dtr, false), "unplugged");
}

}  // namespace
}  // namespace bramblet
