// The Win32 port under Wine, against bramblet-sim behind a COM port that wine-serial.sh maps to
// the simulator's pseudo-terminal. The chip is an M16C protected by the code below.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "sim/VirtualLink.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TempDir.h"
#include "writer/core/Session.h"
#include "writer/platform/win32/Win32Serial.h"

namespace bramblet {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLate = 40ms;  // Wine and a shared machine may end a window late, never early

std::string PortName() {
    const char* name = std::getenv("BRAMBLET_WINE_PORT");
    return name ? name : "COM9";
}

TEST(Win32SerialTest, ConnectsAndUnlocksThroughTheComPort) {
    testing::TempDir dir;
    testing::RecordingView view;
    view.portName = PortName();
    view.cpuFamily = "M16C";
    view.fileName = dir.Write("prog.mot", "S9030000FC\n");
    dir.Write("prog.id", "ID\nFFFDDF4B\nFFE365\nFFEB6C\nFFEF70\nFFF369\nFFF76E\nFFFB21\n");
    Win32PortOpener ports;
    Session writer(ports, view, view);

    const auto start = Clock::now();
    const Connection connected = writer.ConnectBootMode(view.ToTarget());
    const auto wall = Clock::now() - start;
    ASSERT_EQ(connected.Word(), 0x8000) << connected.Detail();

    // The same connection over the virtual line: the same windows and byte times.
    sim::VirtualLink line(sim::ChipConfig{.family = sim::Family::M16C});
    testing::RecordingView virtualView = view;
    Session virtualWriter(line.Opener(), virtualView, virtualView);
    ASSERT_EQ(virtualWriter.ConnectBootMode(virtualView.ToTarget()).Word(), 0x8000);
    EXPECT_GT(wall, line.Now() - 5ms);
    EXPECT_LT(wall, line.Now() + 2 * kLate);

    EXPECT_EQ(writer.VerifyIdCode(view.ToTarget()), 0x800C);
    EXPECT_EQ(writer.BootVersion(), "VER.1.00");
    EXPECT_EQ(writer.IdCode(), IdCodeBytes({0x4B, 0x65, 0x6C, 0x70, 0x69, 0x6E, 0x21}));
    EXPECT_EQ(view.statuses.size(), 2u);  // the erased code failed, the ID file unlocked it
}

TEST(Win32SerialTest, ReadWindowsMatchTheTimeOuts) {
    Win32PortOpener ports;
    OpenResult opened = ports.Open(PortName());
    ASSERT_NE(opened.port, nullptr) << opened.detail;
    SerialPort& port = *opened.port;
    EXPECT_TRUE(port.Setup(19200));
    // A rate the boot programs do not know is refused, as on every other port.
    EXPECT_FALSE(port.Setup(12345));

    auto timedRead = [&](std::size_t n) {
        std::vector<std::uint8_t> buffer(n);
        const auto start = Clock::now();
        buffer.resize(port.Read(buffer));
        return std::make_pair(buffer, Clock::now() - start);
    };
    for (std::size_t n : {1u, 10u, 50u}) {
        const auto [bytes, took] = timedRead(n);
        EXPECT_TRUE(bytes.empty()) << n;
        EXPECT_GE(took, ReplyWindow(n) - 2ms) << n;
        EXPECT_LT(took, ReplyWindow(n) + kLate) << n;
    }

    // Version Read: eight bytes; a read for exactly eight returns when the last one arrives,
    // a read for more waits out its window with what came.
    const std::uint8_t version[] = {0xFB};
    port.Write(version);
    auto [bytes, took] = timedRead(8);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "VER.1.00");
    EXPECT_LT(took, ReplyWindow(8));
    port.Write(version);
    std::tie(bytes, took) = timedRead(10);
    EXPECT_EQ(bytes.size(), 8u);
    EXPECT_GE(took, ReplyWindow(10) - 2ms);
    EXPECT_LT(took, ReplyWindow(10) + kLate);

    // Exclusive opening is Windows' own (share mode 0); Wine does not enforce it on a device.
}

TEST(Win32SerialTest, NamesTooLongOrUnmappedAreRefused) {
    Win32PortOpener ports;
    const OpenResult tooLong = ports.Open("COM1234567890123");  // 16 characters
    EXPECT_EQ(tooLong.port, nullptr);
    EXPECT_EQ(tooLong.error, OpenError::InvalidName);
    EXPECT_EQ(ports.Open("COM250").port, nullptr);
    EXPECT_EQ(ports.Open("").port, nullptr);
}

TEST(Win32SerialTest, TimeOutsAreTheReplyWindowAndTheWriteWindow) {
    // Reads: no interval limit, 4 ms a byte and 30 ms. Writes: a whole millisecond a byte at the
    // rate (ten bits take 1.04 ms at 9600) and a second.
    EXPECT_EQ(CommTimeoutsFor(19200), (CommTimeoutValues{0xFFFFFFFF, 4, 30, 1, 1000}));
    EXPECT_EQ(CommTimeoutsFor(38400), (CommTimeoutValues{0xFFFFFFFF, 4, 30, 1, 1000}));
    EXPECT_EQ(CommTimeoutsFor(115200), (CommTimeoutValues{0xFFFFFFFF, 4, 30, 1, 1000}));
    EXPECT_EQ(CommTimeoutsFor(9600), (CommTimeoutValues{0xFFFFFFFF, 4, 30, 2, 1000}));
}

// wine-serial.sh kills the simulator once the test has written the file BRAMBLET_WINE_MARK.
TEST(Win32SerialLostTest, SimulatorKilledWhileThePortIsOpenLosesIt) {
    const char* mark = std::getenv("BRAMBLET_WINE_MARK");
    if (!mark) GTEST_SKIP() << "run by wine-serial.sh";
    Win32PortOpener ports;
    OpenResult opened = ports.Open(PortName());
    ASSERT_NE(opened.port, nullptr) << opened.detail;
    SerialPort& port = *opened.port;
    port.Setup(19200);
    const std::uint8_t version[] = {0xFB};
    port.Write(version);
    std::vector<std::uint8_t> reply(8);
    ASSERT_EQ(port.Read(reply), 8u);
    EXPECT_FALSE(port.Lost());

    std::ofstream(mark) << "open\n";
    // Wine ends a read on a terminal that was hung up as a silent one, after its window; the
    // driver then fails ClearCommError.
    const auto start = Clock::now();
    std::vector<std::uint8_t> buffer(50);
    while (!port.Lost() && Clock::now() - start < 10s) port.Read(buffer);
    EXPECT_EQ(port.Lost().kind, PortLoss::Kind::Gone) << port.Lost().detail;
    EXPECT_LT(Clock::now() - start, 3s);

    const auto after = Clock::now();
    port.Write(version);
    EXPECT_EQ(port.Read(buffer), 0u);
    EXPECT_LT(Clock::now() - after, 5ms);
}

// wine-serial.sh stops the simulator (SIGSTOP) before this runs: nobody reads the terminal.
TEST(Win32SerialLostTest, WriteTheLineNeverTakesLosesThePortWhenItsTimeIsUp) {
    if (!std::getenv("BRAMBLET_WINE_STOPPED")) GTEST_SKIP() << "run by wine-serial.sh";
    Win32PortOpener ports;
    OpenResult opened = ports.Open(PortName());
    ASSERT_NE(opened.port, nullptr) << opened.detail;
    SerialPort& port = *opened.port;
    port.Setup(19200);
    const std::vector<std::uint8_t> page(256, 0x55);
    Clock::duration last{};
    int writes = 0;
    while (!port.Lost() && writes < 4096) {
        const auto start = Clock::now();
        port.Write(page);
        last = Clock::now() - start;
        ++writes;
    }
    EXPECT_EQ(port.Lost().kind, PortLoss::Kind::WriteStalled);
    EXPECT_GT(writes, 16);  // pages went into the terminal's queue until it was full
    EXPECT_GE(last, WriteWindow(256, 19200) - 2ms);
    EXPECT_LT(last, WriteWindow(256, 19200) + kLate);
    EXPECT_EQ(port.Lost().detail, "0 of 256 bytes taken in 1256 ms");
}

}  // namespace
}  // namespace bramblet
