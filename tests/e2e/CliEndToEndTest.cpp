// bramblet-cli against bramblet-sim on a real pseudo-terminal, through the real termios port, in
// real time. Files stay small: a page costs about half a second at 19200 baud.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "sim/SRecordFile.h"
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
using Lines = std::vector<std::string>;

using CliEndToEndTest = SimChipsTest;

TEST_F(CliEndToEndTest, WritesAndVerifiesABlankChip) {
    // Three pages, the middle one only partly, and the reset vector.
    const std::string file =
        dir.Write("prog.mot", SRecords('1', 0xC000, 0x180) + SRecords('1', 0xC280, 0x20) +
                                  SRecord('1', 0xFFFC, {0x00, 0xC0, 0x00, 0x00}));
    auto sim = Sim("chip", {"--version", "VER.1.48"});

    const RunResult write = Cli({"write", file, "--port", dir.Name("chip")});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.Lines(), (Lines{kStartWrite, kChecking, kConnecting, kIdAllFF, kIdVerified,
                                    kErasing, kErased, kProgramming, kVerifying, kWritten}));
    EXPECT_NE(write.err.find("VER.1.48"), std::string::npos) << write.err;
    EXPECT_EQ(write.err.find('\r'), std::string::npos);  // no progress bar off a terminal

    const RunResult verify = Cli({"verify", file, "--port", dir.Name("chip")});
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_EQ(verify.Lines().back(), kVerified);

    ASSERT_EQ(sim->Stop(), 0);
    const sim::Chip chip = Saved("chip");
    for (std::uint32_t a = 0xC000; a < 0xC180; ++a) ASSERT_EQ(chip.Read(a), a & 0xFF) << a;
    for (std::uint32_t a = 0xC180; a < 0xC280; ++a) ASSERT_EQ(chip.Read(a), 0xFF) << a;
    for (std::uint32_t a = 0xC280; a < 0xC2A0; ++a) ASSERT_EQ(chip.Read(a), a & 0xFF) << a;
    EXPECT_EQ(chip.Read(0xFFFD), 0xC0);
}

TEST_F(CliEndToEndTest, ProtectedChipIsUnlockedByTheIdFileBesideTheWriteFile) {
    const std::string file = dir.Write("prog.mot", SRecords('2', 0x0C0000, 0x40));
    dir.Write("prog.id",
              "M16C\r\nFFFDDF:4B\r\nFFE3:65\r\nFFEB:6C\r\nFFEF:70\r\nFFF3:69\r\n"
              "FFF7:6E\r\nFFFB:21\r\n");
    auto sim = Sim("chip", {"--family", "M16C", "--id", "4B656C70696E21"});
    // No --family: the ID file names the chip, as it would for the window.
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip")});
    EXPECT_EQ(write.status, 0) << write.err;
    const Lines lines = write.Lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], kIdAllFF);
    EXPECT_EQ(lines[4], kIdFile);
    EXPECT_EQ(lines[5], kIdVerified);
    EXPECT_EQ(lines.back(), kWritten);
    ASSERT_EQ(sim->Stop(), 0);
    EXPECT_EQ(Saved("chip", sim::Family::M16C).Read(0x0C003F), 0x3F);
}

TEST_F(CliEndToEndTest, WrongIdEverywhereEndsUnverifiedWithoutErasing) {
    dir.Write("old.mot", SRecords('1', 0xC000, 0x100, 7));
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x10));
    dir.Write("prog.id", "R8C\n0FFDDF:11\n22\n33\n44\n55\n66\n77\n");
    auto sim = Sim("chip", {"--id", "01020304050607", "--load", dir.Name("old.mot")});
    const RunResult write =
        Cli({"write", file, "--port", dir.Name("chip"), "--id", "0102030405060F,R8C"});
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.Lines().back(), kIdMismatch);
    const RunResult erase = Cli({"erase", file, "--port", dir.Name("chip")});
    EXPECT_EQ(erase.status, 1);
    EXPECT_EQ(erase.Lines().back(), kIdMismatch);
    ASSERT_EQ(sim->Stop(), 0);
    // The old program is still there: no erase reached the chip.
    const sim::Chip chip = Saved("chip");
    for (std::uint32_t a = 0xC000; a < 0xC100; ++a) ASSERT_EQ(chip.Read(a), (a + 7) & 0xFF);
}

TEST_F(CliEndToEndTest, ChipFallingSilentWhileProgrammingEndsInBoundedTime) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x300));
    auto sim = Sim("chip", {"--silent-after-pages", "1"});
    const auto start = Clock::now();
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip")});
    const auto took = Clock::now() - start;
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.Lines().back(), kProgramFailed);
    // The detail goes to standard error only.
    EXPECT_NE(write.err.find("page 00C100: the chip did not answer the status poll"),
              std::string::npos)
        << write.err;
    EXPECT_EQ(write.out.find("00C100"), std::string::npos);
    // Connection and erase about 1.5 s, one good page 0.4 s, then the bounded poll of about 5 s.
    EXPECT_LT(took, std::chrono::seconds(12));
    EXPECT_GT(took, std::chrono::seconds(5));
}

TEST_F(CliEndToEndTest, RefusedPageIsNamedWithItsStatusOnStandardError) {
    // 0x3000 lies between the R8C's data flash and its program ROM.
    const std::string file = dir.Write("prog.mot", SRecords('1', 0x3000, 0x10));
    auto sim = Sim("chip");
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip")});
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.Lines().back(), kProgramFailed);
    EXPECT_NE(write.err.find("page 003000: SRD 90 SRD1 0C (ready, program error)"),
              std::string::npos)
        << write.err;

    // A code for a family that does not exist is refused before anything is sent.
    const RunResult typo =
        Cli({"write", file, "--port", dir.Name("chip"), "--id", "11223344556677,r8c"});
    EXPECT_EQ(typo.status, 2);
    EXPECT_TRUE(typo.out.empty());
    ASSERT_EQ(sim->Stop(), 0);
}

TEST_F(CliEndToEndTest, PortsThatCannotBeOpenedSayWhy) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x10));
    const RunResult missing = Cli({"write", file, "--port", dir.Name("nothing-here")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.Lines().back(), kNoPort);
    EXPECT_NE(missing.err.find("no such device"), std::string::npos) << missing.err;

    // A port another writer holds is busy.
    auto sim = Sim("chip");
    PosixPortOpener ports;
    const OpenResult holder = ports.Open(dir.Name("chip"));
    ASSERT_NE(holder.port, nullptr) << holder.detail;
    const RunResult busy = Cli({"erase", "--port", dir.Name("chip")});
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.Lines().back(), kNoPort);
    EXPECT_NE(busy.err.find("busy"), std::string::npos) << busy.err;
}

// A simulator killed at a moment of a run, as a cable pulled out or a board switched off: the
// writer's port finds its device gone and the step under way ends at once with its own text.
struct Vanishing {
    std::vector<std::string> command;  // after the program, before --port
    std::vector<std::string> sim;      // the simulator's options
    std::string after;                 // the status line the simulator is killed after
    std::chrono::milliseconds delay;   // and how long after it
    std::string text;                  // the last status line
    std::string where;                 // where standard error says the device went
};

TEST_F(CliEndToEndTest, KilledSimulatorEndsTheStepUnderWayAtOnce) {
    // Pages take about 0.4 s to program at 19200 baud, 0.05 s at 115200, 0.14 s to read back.
    const std::string eight = dir.Write("eight.mot", SRecords('1', 0xC000, 0x800));
    const std::string many = dir.Write("many.mot", SRecords('1', 0xC000, 0x2000));
    const std::string four = dir.Write("four.mot", SRecords('1', 0xC000, 0x400));
    const std::vector<std::string> holding = {"--load", four};
    const std::string back = dir.Name("back.mot");
    const std::vector<Vanishing> cases = {
        // Reading the stale input, 430 ms, before the first synchronisation zero.
        {{"write", eight}, {}, kConnecting, 200ms, kNoAnswer, "connection"},
        // Six blocks of 10 s: a chip that is there would keep the poll busy for a minute.
        {{"erase"}, {"--erase-time", "10000"}, kErasing, 300ms, kCannotErase, "erase"},
        {{"write", eight}, {}, kProgramming, 900ms, kProgramFailed, "page"},
        {{"write", many, "--baud", "115200"}, {}, kProgramming, 200ms, kProgramFailed, "page"},
        {{"write", four}, {}, kVerifying, 200ms, kVerifyFailed, "page"},
        {{"verify", four}, holding, kVerifying, 200ms, kVerifyOperationFailed, "page"},
        {{"read", "C000-FFFF", "-o", back}, {}, kIdVerified, 300ms, kIdVerified, "page"},
    };
    for (const Vanishing& c : cases) {
        SCOPED_TRACE(c.command[0] + " killed after " + c.after);
        auto sim = Sim("chip", c.sim);
        std::vector<std::string> args = {BRAMBLET_CLI};
        args.insert(args.end(), c.command.begin(), c.command.end());
        args.insert(args.end(), {"--port", dir.Name("chip")});
        const auto started = Clock::now();
        ProgramRun cli(args);
        ASSERT_TRUE(cli.WaitForLine(c.after));
        std::this_thread::sleep_for(c.delay);
        sim->Kill();
        const auto killed = Clock::now();
        const RunResult run = cli.Finish();
        const auto ended = Clock::now();

        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.Lines().back(), c.text);
        EXPECT_NE(run.err.find("bramblet-cli: " + c.where), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(": the port's device has gone (hang-up)\n"), std::string::npos)
            << run.err;
        // At once, not after the windows and bounds kept for a chip that is there but silent.
        EXPECT_LT(ended - killed, 2s);
        // Waiting costs the processor next to nothing: a little work between reads, after a
        // start-up that takes tens of milliseconds under the sanitizers. A wait that spins
        // would cost the whole run.
        EXPECT_LT(run.cpu, 100ms + (ended - started) / 10);
    }
    EXPECT_FALSE(std::filesystem::exists(back));
    EXPECT_FALSE(std::filesystem::exists(back + ".part"));
}

}  // namespace
}  // namespace bramblet::testing
