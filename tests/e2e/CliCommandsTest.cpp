// bramblet-cli's commands beyond the window's three buttons, against bramblet-sim on real
// pseudo-terminals through the real termios port, in real time: read-back, blank check, info,
// the fast link, several boards at once, erasing and verifying only what is needed, and the
// modem lines a pseudo-terminal lacks.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/SimChips.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"

namespace bramblet::testing {
namespace {

using Lines = std::vector<std::string>;

class CliCommandsTest : public SimChipsTest {
protected:
    static bool Contains(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    // Two pages and part of a third, at the start of the R8C's program ROM.
    const std::string records = SRecords('1', 0x4000, 0x280, 5);
};

TEST_F(CliCommandsTest, ReadBackGivesTheWrittenBytesAsACheckableFile) {
    const std::string file = dir.Write("prog.mot", records);
    auto chip = Sim("chip");
    ASSERT_EQ(Cli({"write", file, "--port", dir.Name("chip")}).status, 0);

    const std::string back = dir.Name("back.mot");
    const RunResult read = Cli({"read", "4000-43FF", "--port", dir.Name("chip"), "-o", back});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.Lines().back(), kIdVerified);
    const RunResult check = Cli({"check", back});
    EXPECT_EQ(check.status, 0);
    const Lines checked = check.Lines();
    ASSERT_EQ(checked.size(), 3u);
    EXPECT_EQ(checked[1], "書込エリア(004000-0042FF)  書込サイズ(768バイト)");
    // The image's CRC-32 is the figure of the pages read back.
    EXPECT_EQ(checked[2], Cli({"check", file}).Lines().back());

    // What came back is what was written, and the rest of the third page is erased.
    sim::Chip written({}), read_back({});
    std::string error;
    ASSERT_TRUE(sim::LoadSRecordFile(file, written, error)) << error;
    ASSERT_TRUE(sim::LoadSRecordFile(back, read_back, error)) << error;
    for (std::uint32_t a = 0x4000; a < 0x4300; ++a) {
        ASSERT_EQ(read_back.Read(a), written.Read(a)) << std::hex << a;
    }

    const RunResult info = Cli({"info", "--port", dir.Name("chip")});
    EXPECT_EQ(info.status, 0) << info.err;
    const Lines lines = info.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(
        Lines(lines.end() - 4, lines.end()),
        (Lines{"version: VER.1.00", "SRD: 80 (ready)", "SRD1: 0C (ID verified)", "family: R8C"}));

    const RunResult used = Cli({"blank-check", "4100-4FFF", "--port", dir.Name("chip")});
    EXPECT_EQ(used.status, 1);
    EXPECT_EQ(used.Lines().back(), "004100");
    const RunResult blank = Cli({"blank-check", "4300-47FF", "--port", dir.Name("chip")});
    EXPECT_EQ(blank.status, 0) << blank.err;
}

TEST_F(CliCommandsTest, LockedChipIsReadOnlyWithItsCode) {
    auto chip = Sim("chip", {"--id", "0123456789ABCD", "--load", dir.Write("old.mot", records)});
    const std::string back = dir.Name("back.mot");
    const RunResult locked = Cli({"read", "4000-42FF", "--port", dir.Name("chip"), "-o", back});
    EXPECT_EQ(locked.status, 1);
    EXPECT_EQ(locked.Lines().back(), kIdMismatch);
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(back)));

    const RunResult unlocked = Cli(
        {"read", "4000-42FF", "--port", dir.Name("chip"), "-o", back, "--id", "0123456789ABCD"});
    EXPECT_EQ(unlocked.status, 0) << unlocked.err;
    EXPECT_EQ(Cli({"check", back}).Lines().at(1),
              "書込エリア(004000-0042FF)  書込サイズ(768バイト)");
}

TEST_F(CliCommandsTest, FastLinkWritesAndVerifies) {
    const std::string file = dir.Write("prog.mot", records);
    auto chip = Sim("chip");
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip"), "--baud", "115200"});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.Lines().back(), kWritten);
    // The chip keeps 115200 until it is reset, as after a real write.
    chip->Signal(SIGUSR1);
    const RunResult verify = Cli({"verify", file, "--port", dir.Name("chip"), "--baud", "115200"});
    EXPECT_EQ(verify.status, 0) << verify.err;
    ASSERT_EQ(chip->Stop(), 0);
    const sim::Chip saved = Saved("chip");
    for (std::uint32_t a = 0x4000; a < 0x4280; ++a) {
        ASSERT_EQ(saved.Read(a), (a + 5) & 0xFF) << std::hex << a;
    }
}

TEST_F(CliCommandsTest, RefusedRateChangeLeavesTheFlashAlone) {
    const std::string old = dir.Write("old.mot", records);
    auto chip = Sim("chip", {"--max-baud", "57600", "--load", old});
    const std::string file = dir.Write("new.mot", SRecords('1', 0x4000, 0x10, 9));
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip"), "--baud", "115200"});
    EXPECT_EQ(write.status, 1);
    EXPECT_EQ(write.Lines().back(), "通信速度を115200bpsに切り替えられません!");
    EXPECT_TRUE(Contains(write.err, "did not echo the baud-rate command B4 for 115200 baud"))
        << write.err;
    ASSERT_EQ(chip->Stop(), 0);
    const sim::Chip saved = Saved("chip");
    for (std::uint32_t a = 0x4000; a < 0x4280; ++a) {
        ASSERT_EQ(saved.Read(a), (a + 5) & 0xFF) << std::hex << a;
    }
}

TEST_F(CliCommandsTest, ChipThatKnowsOnly9600IsReachedAt9600) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0x4000, 0x20));
    auto chip = Sim("chip", {"--max-baud", "9600"});
    const RunResult design = Cli({"erase", "--port", dir.Name("chip")});
    EXPECT_EQ(design.status, 1);
    EXPECT_EQ(design.Lines().back(), kNoAnswer);
    const RunResult slow = Cli({"write", file, "--port", dir.Name("chip"), "--baud", "9600"});
    EXPECT_EQ(slow.status, 0) << slow.err;
    EXPECT_EQ(slow.Lines().back(), kWritten);
}

TEST_F(CliCommandsTest, BoardsSideBySideEachEndTheirOwnWay) {
    const std::string old = dir.Write("old.mot", SRecords('1', 0x4000, 0x10, 1));
    auto a = Sim("a");
    auto b = Sim("b", {"--id", "0123456789ABCD", "--load", old});  // locked, and no code given
    auto c = Sim("c");
    const std::string file = dir.Write("prog.mot", records);
    const RunResult write = Cli({"write", file, "--port", dir.Name("a"), "--port", dir.Name("b"),
                                 "--port", dir.Name("c"), "--baud", "115200"});
    EXPECT_EQ(write.status, 1);
    const Lines lines = write.Lines();
    // Every line is its board's; the run ends with one summary line per board, in order.
    for (const std::string& line : lines) {
        EXPECT_TRUE(line.rfind(dir.Name("a") + ": ", 0) == 0 ||
                    line.rfind(dir.Name("b") + ": ", 0) == 0 ||
                    line.rfind(dir.Name("c") + ": ", 0) == 0)
            << line;
    }
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{dir.Name("a") + ": ok", dir.Name("b") + ": failed: ID照合不一致",
                     dir.Name("c") + ": ok"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        dir.Name("a") + ": フラッシュ書き込みは無事完了しました"),
              lines.end());
    for (auto* sim : {a.get(), b.get(), c.get()}) ASSERT_EQ(sim->Stop(), 0);
    for (const char* name : {"a", "c"}) {
        const sim::Chip saved = Saved(name);
        for (std::uint32_t x = 0x4000; x < 0x4280; ++x) {
            ASSERT_EQ(saved.Read(x), (x + 5) & 0xFF) << name << std::hex << x;
        }
    }
    // The locked board was not erased.
    const sim::Chip locked = Saved("b");
    for (std::uint32_t x = 0x4000; x < 0x4010; ++x) ASSERT_EQ(locked.Read(x), (x + 1) & 0xFF);
}

TEST_F(CliCommandsTest, ErasingAndVerifyingOnlyWhatIsNeeded) {
    // Calibration data in the data flash, and an old program in the block at 0x4000.
    auto chip = Sim("chip", {"--load", dir.Write("old.mot", SRecords('1', 0x2400, 0x10, 3) +
                                                                SRecords('1', 0x4000, 0x100, 7))});
    // A page of code, a page the linker filled with 0xFF, then more code.
    const std::string file = dir.Write(
        "prog.mot", SRecords('1', 0xC000, 0x100) +
                        SRecord('1', 0xC100, std::vector<std::uint8_t>(0x100 - 0xF0, 0xFF)) +
                        SRecords('1', 0xC200, 0x40));
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip"), "--baud", "115200",
                                 "--erase-block", "C000", "--skip-blank", "--verify-by", "sum"});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.Lines(), (Lines{kStartWrite, kChecking, kConnecting, kIdAllFF, kIdVerified,
                                    kErasing, kErased, kProgramming, kVerifying, kWritten}));
    // Onto the chip as it is: a page of the block at 0x8000, which no erase has touched.
    chip->Signal(SIGUSR1);
    const std::string more = dir.Write("more.mot", SRecords('1', 0x8000, 0x20, 1));
    const RunResult onto = Cli({"write", more, "--port", dir.Name("chip"), "--no-erase"});
    EXPECT_EQ(onto.status, 0) << onto.err;
    const Lines lines = onto.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kErasing), 0);

    ASSERT_EQ(chip->Stop(), 0);
    const sim::Chip saved = Saved("chip");
    for (std::uint32_t a = 0x2400; a < 0x2410; ++a) ASSERT_EQ(saved.Read(a), (a + 3) & 0xFF);
    for (std::uint32_t a = 0x4000; a < 0x4100; ++a) ASSERT_EQ(saved.Read(a), (a + 7) & 0xFF);
    for (std::uint32_t a = 0x8000; a < 0x8020; ++a) ASSERT_EQ(saved.Read(a), (a + 1) & 0xFF);
    for (std::uint32_t a = 0xC000; a < 0xC100; ++a) ASSERT_EQ(saved.Read(a), a & 0xFF);
    for (std::uint32_t a = 0xC100; a < 0xC200; ++a) ASSERT_EQ(saved.Read(a), 0xFF);
    for (std::uint32_t a = 0xC200; a < 0xC240; ++a) ASSERT_EQ(saved.Read(a), a & 0xFF);
}

TEST_F(CliCommandsTest, PseudoTerminalHasNoModemLinesToEnterBootModeWith) {
    // A board whose RESET and mode pin hang on lines a pseudo-terminal cannot drive: the chip
    // runs its program and no boot program answers.
    const std::string file = dir.Write("prog.mot", records);
    {
        auto chip = Sim("chip", {"--reset-line", "rts", "--mode-line", "dtr"});
        const RunResult plain = Cli({"write", file, "--port", dir.Name("chip")});
        EXPECT_EQ(plain.status, 1);
        EXPECT_EQ(plain.Lines().back(), kNoAnswer);
    }
    // Asked to drive them, the port refuses before anything is sent.
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const RunResult refused =
        Cli({"write", file, "--port", name, "--before", "dtr=1,rts=1,wait=50,rts=0,wait=100"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.Lines().back(), kNoAnswer);
    EXPECT_TRUE(Contains(refused.err, std::string("bramblet-cli: cannot drive DTR on ") + name +
                                          ", a port without modem lines: " + std::strerror(ENOTTY)))
        << refused.err;
    fcntl(master, F_SETFL, O_NONBLOCK);
    char byte;
    EXPECT_EQ(read(master, &byte, 1), -1);  // nothing came
    EXPECT_EQ(errno, EAGAIN);
    close(slave);
    close(master);
}

}  // namespace
}  // namespace bramblet::testing

namespace bramblet::testing {
namespace {

// The English texts are written out here rather than taken from the catalogue, so that a changed
// translation shows.
TEST_F(CliCommandsTest, EnglishStatusTextsFromTheOptionOrTheEnvironment) {
    const std::string file = dir.Write("prog.mot", records);
    auto chip = Sim("chip");
    const RunResult write = Cli({"write", file, "--port", dir.Name("chip"), "--lang", "en"});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.Lines(),
              (Lines{"Starting flash erase and write", "Checking the S-format file",
                     "Connecting in boot mode", "Checking ID all FF", "ID code verified!",
                     "Erasing flash", "Flash erased!", "Writing flash", "Verifying flash",
                     "Flash write completed successfully"}));

    ::setenv("BRAMBLET_LANG", "en", 1);
    const RunResult check = Cli({"check", file});
    const RunResult chosen = Cli({"verify", file, "--port", dir.Name("chip"), "--lang", "ja"});
    ::unsetenv("BRAMBLET_LANG");
    EXPECT_EQ(check.status, 0) << check.err;
    ASSERT_GE(check.Lines().size(), 2u);
    EXPECT_EQ(check.Lines()[0], "Checking the S-format file");
    EXPECT_EQ(check.Lines()[1], "Write area(004000-00427F)  Size(640 bytes)");
    EXPECT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_EQ(chosen.Lines().back(), kVerified);
    ASSERT_EQ(chip->Stop(), 0);
}

}  // namespace
}  // namespace bramblet::testing
