// Ctrl-C over four boards side by side, each against a bramblet-sim of its own in real time: the
// signal reaches every board's thread, each stops at its next read and says where, and the run
// ends with the signal's status and leaves every port free.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <thread>

#include "tests/support/Processes.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/platform/posix/PosixSerial.h"

namespace bramblet::testing {
namespace {

using namespace std::chrono_literals;

TEST(BoardsStopTest, CtrlCStopsEveryBoardOfARun) {
    TempDir dir;
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x1000) + "S9030000FC\n");
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::string> args{BRAMBLET_CLI, "write", file};
    for (int i = 0; i < 4; ++i) {
        sims.push_back(
            std::make_unique<SimProcess>(BRAMBLET_SIM, std::vector<std::string>{"--no-publish"}));
        args.insert(args.end(), {"--port", sims.back()->Path()});
    }
    ProgramRun run(args);
    ASSERT_TRUE(run.WaitForLine(sims[0]->Path() + ": フラッシュ書き込み中"));
    std::this_thread::sleep_for(500ms);
    const auto signalled = std::chrono::steady_clock::now();
    run.Signal(SIGINT);
    const RunResult result = run.Finish();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1s);

    EXPECT_EQ(result.status, 130) << result.err;
    for (const auto& sim : sims) {
        const std::string& port = sim->Path();
        EXPECT_NE(result.err.find(port + ": bramblet-cli: stopped during "), std::string::npos)
            << port << "\n"
            << result.err;
        EXPECT_NE(result.out.find(port + ": failed: "), std::string::npos) << result.out;
        PosixPortOpener opener;
        EXPECT_NE(opener.Open(port).port, nullptr) << port;
    }
}

}  // namespace
}  // namespace bramblet::testing
