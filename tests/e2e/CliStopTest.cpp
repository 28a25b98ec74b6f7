// Ctrl-C and termination requests against bramblet-sim on a pseudo-terminal, in real time: the
// command ends within a second with the signal's status, names where it stopped, sends nothing
// more, and leaves the port free.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/e2e/SimChips.h"
#include "tests/support/Processes.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "writer/platform/posix/PosixSerial.h"

namespace bramblet::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Command {
    unsigned code;
    unsigned address;
};

// The commands the simulator logged (--verbose), in order.
std::vector<Command> Logged(const std::string& log) {
    std::ifstream in(log);
    std::vector<Command> commands;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string time, ms, code, address;
        if (!(fields >> time >> ms >> code >> address) || ms != "ms" || code.size() != 2) continue;
        commands.push_back({static_cast<unsigned>(std::stoul(code, nullptr, 16)),
                            static_cast<unsigned>(std::stoul(address, nullptr, 16))});
    }
    return commands;
}

class CliStopTest : public SimChipsTest {
protected:
    // Runs `args` until `status` is printed, waits `after`, signals, and returns the result and
    // how long the program took to end from the signal.
    std::pair<RunResult, Clock::duration> StopDuring(std::vector<std::string> args,
                                                     const std::string& status,
                                                     Clock::duration after, int signal) {
        ProgramRun run(Args(std::move(args)));
        EXPECT_TRUE(run.WaitForLine(status));
        std::this_thread::sleep_for(after);
        const auto signalled = Clock::now();
        run.Signal(signal);
        RunResult result = run.Finish();
        return {result, Clock::now() - signalled};
    }
    // The page the command said it stopped at.
    static unsigned StoppedPage(const std::string& err, const std::string& step) {
        const std::string prefix = "bramblet-cli: stopped during " + step + ", at page ";
        const auto at = err.find(prefix);
        EXPECT_NE(at, std::string::npos) << err;
        return at == std::string::npos ? 0
                                       : std::stoul(err.substr(at + prefix.size(), 6), nullptr, 16);
    }
    void ExpectPortFree(const std::string& port) {
        PosixPortOpener opener;
        EXPECT_NE(opener.Open(port).port, nullptr);
    }
};

TEST_F(CliStopTest, CtrlCDuringProgrammingEndsAtOnceAndSendsNothingMore) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x1000) + "S9030000FC\n");
    const std::string log = dir.Name("sim.log");
    auto sim = Sim("chip", {"--verbose"}, log);
    const auto [run, took] =
        StopDuring({"write", file, "--port", dir.Name("chip")}, kProgramming, 1200ms, SIGINT);
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_LT(took, 1s);
    const unsigned page = StoppedPage(run.err, "programming");
    EXPECT_GT(page, 0xC000u);
    EXPECT_LT(page, 0xD000u);
    ExpectPortFree(dir.Name("chip"));

    // Whatever the simulator logs from now on is what reached it before the program ended: no
    // page past the one named, and nothing at all a little later.
    std::this_thread::sleep_for(300ms);
    const std::vector<Command> commands = Logged(log);
    ASSERT_FALSE(commands.empty());
    for (const Command& c : commands) {
        if (c.code == 0x41) {
            EXPECT_LE(c.address, page);
        }
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Logged(log).size(), commands.size());
}

TEST_F(CliStopTest, TerminationDuringTheVerifyEndsWith143) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x1000) + "S9030000FC\n");
    auto sim = Sim("chip", {"--load", file});
    const auto [run, took] =
        StopDuring({"verify", file, "--port", dir.Name("chip")}, kVerifying, 500ms, SIGTERM);
    EXPECT_EQ(run.status, 143) << run.err;
    EXPECT_LT(took, 1s);
    const unsigned page = StoppedPage(run.err, "the verify");
    EXPECT_GE(page, 0xC000u);
    EXPECT_LT(page, 0xD000u);
    EXPECT_NE(run.Lines().back(), kVerified);
    ExpectPortFree(dir.Name("chip"));
}

}  // namespace
}  // namespace bramblet::testing
