// bramblet-sim in real time on a pseudo-terminal, driven by the writer's own connection code
// through the real termios port.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "sim/SRecordFile.h"
#include "sim/VirtualLink.h"
#include "tests/support/Processes.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/core/Session.h"
#include "writer/platform/posix/PosixSerial.h"
#include "writer/platform/posix/SimulatedPorts.h"

namespace bramblet {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// bramblet-sim from this build.
class SimProcess : public testing::SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
        : testing::SimProcess(BRAMBLET_SIM, std::move(args)) {}
};

const sim::IdCode kCode = {0x4B, 0x65, 0x6C, 0x70, 0x69, 0x6E, 0x21};

using Bytes8 = std::vector<std::uint8_t>;

// One command out, then one read for up to `n` bytes within the reply window.
Bytes8 Exchange(SerialPort& port, const Bytes8& out, std::size_t n) {
    port.Write(out);
    Bytes8 in(n);
    in.resize(port.Read(in));
    return in;
}

TEST(SimProgramTest, ConnectionTakesTheTimeTheVirtualLinePredicts) {
    testing::TempDir dir;
    const std::string link = dir.Name("chip");
    SimProcess sim(
        {"--family", "M16C", "--id", "4B656C70696E21", "--version", "VER.3.02", "--link", link});
    ASSERT_FALSE(sim.Path().empty());
    EXPECT_EQ(std::filesystem::read_symlink(link), sim.Path());

    testing::RecordingView view;
    view.cpuFamily = "M16C";
    view.portName = link;
    view.fileName = dir.Write("prog.mot", "S9030000FC\n");
    dir.Write("prog.id", "ID\nFFFDDF4B\nFFE365\nFFEB6C\nFFEF70\nFFF369\nFFF76E\nFFFB21\n");
    PosixPortOpener ports;
    Session writer(ports, view, view);

    const auto start = Clock::now();
    const int connected = writer.ConnectBootMode(view.ToTarget()).Word();
    const auto wall = Clock::now() - start;
    EXPECT_EQ(connected, 0x8000);

    sim::VirtualLink line({.family = sim::Family::M16C, .idCode = kCode});
    testing::RecordingView virtualView = view;
    Session virtualWriter(line.Opener(), virtualView, virtualView);
    ASSERT_EQ(virtualWriter.ConnectBootMode(virtualView.ToTarget()).Word(), 0x8000);
    // The same exchanges, paced by the same windows and byte times: about 1.1 s either way.
    EXPECT_GT(wall, line.Now() - 5ms);
    EXPECT_LT(wall, line.Now() + 40ms);

    EXPECT_EQ(writer.VerifyIdCode(view.ToTarget()), 0x800C);
    EXPECT_EQ(writer.BootVersion(), "VER.3.02");
    EXPECT_EQ(writer.IdCode(), kCode);
    EXPECT_EQ(view.statuses.size(), 2u);  // erased code, then the ID file

    // A reset pulse: the chip forgets the verified ID.
    sim.Signal(SIGUSR1);
    std::this_thread::sleep_for(50ms);
    writer.CloseCommHandle();
    EXPECT_EQ(writer.ConnectBootMode(view.ToTarget()).Word(), 0x8000);
    writer.CloseCommHandle();
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(SimProgramTest, WrittenFlashIsSavedAtTheEnd) {
    testing::TempDir dir;
    const std::string saved = dir.Name("flash.mot");
    SimProcess sim({"--erase-time", "5", "--save", saved});
    const std::filesystem::path published =
        SimulatedPortFolder() + "/R8C-" + std::to_string(sim.Pid());
    EXPECT_EQ(std::filesystem::read_symlink(published), sim.Path());

    testing::RecordingView view;
    view.portName = published.string();
    view.fileName = dir.Write("prog.mot", testing::SRecords('1', 0xC0F0, 0x220) +
                                              testing::SRecords('2', 0x10000, 0x10, 7));
    PosixPortOpener ports;
    Session writer(ports, view, view);
    writer.WriteSequence(view.ToTarget());
    EXPECT_EQ(view.LastStatus(), "フラッシュ書き込みは無事完了しました");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(published));

    sim::Chip chip({});
    std::string error;
    ASSERT_TRUE(sim::LoadSRecordFile(saved, chip, error)) << error;
    const auto data = testing::Bytes(0xC0F0, 0x220);
    for (std::uint32_t i = 0; i < data.size(); ++i) ASSERT_EQ(chip.Read(0xC0F0 + i), data[i]) << i;
    EXPECT_EQ(chip.Read(0xC0EF), 0xFF);
    EXPECT_EQ(chip.Read(0x10000), testing::Bytes(0x10000, 1, 7)[0]);
}

TEST(SimProgramTest, HoldsTheRateItSynchronisedAtAndMovesOnTheBaudRateCommand) {
    testing::TempDir dir;
    SimProcess sim({"--no-publish"});
    testing::RecordingView view;
    view.portName = sim.Path();
    view.fileName = dir.Write("prog.mot", "S9030000FC\n");
    PosixPortOpener ports;
    Session writer(ports, view, view);
    ASSERT_EQ(writer.ConnectBootMode(view.ToTarget()).Word(), 0x8000);
    ASSERT_EQ(writer.VerifyIdCode(view.ToTarget()), 0x800C);  // a blank chip takes the erased code
    SerialPort& port = *writer.CommHandle();

    // The port at 38400: the chip, held at 19200, takes the status read for some other
    // command and says nothing.
    port.Setup(38400);
    EXPECT_TRUE(Exchange(port, {0x70}, 2).empty());
    port.Setup(19200);
    EXPECT_EQ(Exchange(port, {0x70}, 2), (Bytes8{0xB0, 0x0C}));
    port.Write(Bytes8{0x50});

    // 0xB4: the echo at 19200, then a Page Read paced at 115200, 259 byte times in all.
    EXPECT_EQ(Exchange(port, {0xB4}, 1), Bytes8{0xB4});
    port.Setup(115200);
    const auto start = Clock::now();
    EXPECT_EQ(Exchange(port, {0xFF, 0xC0, 0x00}, 256), Bytes8(256, 0xFF));
    const auto took = Clock::now() - start;
    EXPECT_GT(took, 259 * sim::ByteTime(115200) - 1ms);
    EXPECT_LT(took, 259 * sim::ByteTime(115200) + 40ms);
    port.Setup(19200);  // and the old rate is noise now
    EXPECT_TRUE(Exchange(port, {0x70}, 2).empty());
}

TEST(SimProgramTest, ChipsThatKnowOneRateAnswerOnlyAtIt) {
    PosixPortOpener ports;
    {
        // The R8C started by its MODE pin: the design's normal link gets nothing, the
        // mode-pin link at 38400 finds it with the error flags of what it heard at 19200.
        SimProcess sim({"--no-publish", "--mode-pin"});
        testing::RecordingView view;
        view.portName = sim.Path();
        Session writer(ports, view, view);
        EXPECT_EQ(writer.ConnectBootMode(view.ToTarget()).Word(), 0);
        writer.CloseCommHandle();
        view.modePin = true;
        EXPECT_EQ(writer.ConnectBootMode(view.ToTarget()).Word(), 0xB000);
    }
    {
        // An old M16C group that knows only 9600.
        SimProcess sim({"--no-publish", "--family", "M16C", "--max-baud", "9600"});
        testing::RecordingView view;
        view.cpuFamily = "M16C";
        view.portName = sim.Path();
        Session writer(ports, view, view);
        EXPECT_EQ(writer.ConnectBootMode(view.ToTarget()).Word(), 0);
        SerialPort& port = *writer.CommHandle();
        port.Setup(9600);
        EXPECT_TRUE(Exchange(port, {0x00}, 1).empty());
        EXPECT_EQ(Exchange(port, {0xB0}, 1), Bytes8{0xB0});
        EXPECT_EQ(Exchange(port, {0x70}, 2), (Bytes8{0x80, 0x00}));
        EXPECT_TRUE(Exchange(port, {0xB1}, 1).empty());
        EXPECT_EQ(Exchange(port, {0x70}, 2), (Bytes8{0xB0, 0x00}));
    }
}

}  // namespace
}  // namespace bramblet
