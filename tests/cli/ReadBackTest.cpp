// Reading a chip back for read and blank-check, over the virtual line to the simulated chip.
#include <fstream>
#include <sstream>

#include "sim/SRecordFile.h"
#include "tests/support/LinkFixture.h"
#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/cli/ReadBack.h"
#include "writer/cli/Stop.h"

namespace bramblet::testing {
namespace {

class ReadBackTest : public LinkFixture {
protected:
    SerialPort& Unlocked() {
        const Outcome outcome = W().Unlock(T());
        EXPECT_TRUE(outcome.Succeeded()) << outcome.text;
        return *W().CommHandle();
    }
    std::string Text(const std::string& name) {
        std::ifstream in(TempDir::Utf8(name), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> RecordTypes(const std::string& text) {
        std::vector<std::string> types;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) types.push_back(line.substr(0, 2));
        return types;
    }

    TempDir dir;
};

TEST_F(ReadBackTest, WhatWasWrittenReadsBackAsTheSameBytes) {
    // Two pages apart, one partly written, and the last page of the 64 KB.
    const std::string file =
        dir.Write("prog.mot", SRecords('1', 0x4000, 0x100) + SRecords('1', 0x8010, 0x30, 3) +
                                  SRecords('1', 0xFFF0, 0x10));
    view.fileName = file;
    ASSERT_TRUE(W().WriteSequence(T()).Succeeded());

    const std::string back = dir.Name("back.mot");
    EXPECT_EQ(ReadToFile(Unlocked(), {0x4000, 0xFFFF}, back, {}), std::nullopt);
    sim::Chip chip({});
    std::string error;
    ASSERT_TRUE(sim::LoadSRecordFile(back, chip, error)) << error;
    for (std::uint32_t a = 0x4000; a <= 0xFFFF; ++a) {
        ASSERT_EQ(chip.Read(a), Link().Target().Read(a)) << std::hex << a;
    }
    // S0, then 8 records of 32 bytes for each of the three pages that are not blank, then S9.
    const auto types = RecordTypes(Text(back));
    ASSERT_EQ(types.size(), 1u + 3 * 8 + 1);
    EXPECT_EQ(types.front(), "S0");
    EXPECT_EQ(types[1], "S1");
    EXPECT_EQ(types.back(), "S9");
    // A partly written page goes whole, from its base; a blank one not at all.
    EXPECT_NE(Text(back).find("S1238000FFFF"), std::string::npos);
    EXPECT_EQ(Text(back).find("S1235000"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(back + ".part")));
}

TEST_F(ReadBackTest, RangesAbove64KUseThreeByteAddresses) {
    sim::ChipConfig config;
    config.family = sim::Family::M16C;
    Chip(config);
    view.cpuFamily = "M16C";
    Link().Target().Load(0xFF000, Bytes(0xFF000, 4));
    const std::string back = dir.Name("m16c.mot");
    EXPECT_EQ(ReadToFile(Unlocked(), {0xFF000, 0xFFFFF}, back, {}), std::nullopt);
    const std::string text = Text(back);
    EXPECT_EQ(RecordTypes(text), (std::vector<std::string>{"S0", "S2", "S2", "S2", "S2", "S2", "S2",
                                                           "S2", "S2", "S8"}));
    EXPECT_EQ(text.substr(0, 14), "S0140000627261");  // "bra..."
    EXPECT_EQ(text.substr(text.find("S2"), 14), "S2240FF0000001");
    EXPECT_EQ(text.substr(text.size() - 13), "S804000000FB\n");
}

TEST_F(ReadBackTest, ReadEndingEarlyLeavesTheOldFileAlone) {
    const std::string back = dir.Write("back.mot", "old contents\n");
    sim::ChipConfig config;
    config.faults.pageReadLength = 100;
    Chip(config);
    const auto failure = ReadToFile(Unlocked(), {0xC000, 0xC3FF}, back, {});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->page, 0xC000u);
    EXPECT_EQ(failure->reason, "page 00C000: 100 of 256 bytes came");
    EXPECT_TRUE(failure->noReply);  // what a slow adapter may be behind
    EXPECT_EQ(Text(back), "old contents\n");
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(back + ".part")));

    // The line goes while the third page comes (a page takes 135 ms): the old file stays.
    Chip({});
    SerialPort& port = Unlocked();
    Link().UnplugAt(Link().Now() + 300ms);
    const auto gone = ReadToFile(port, {0xC000, 0xC3FF}, back, {});
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->page, 0xC200u);
    EXPECT_EQ(gone->reason, "page 00C200: the port's device has gone (unplugged)");
    EXPECT_FALSE(gone->noReply);
    EXPECT_EQ(Text(back), "old contents\n");
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(back + ".part")));

    // Stopped by the user after two pages: no file at all.
    Chip({});
    const std::string fresh = dir.Name("fresh.mot");
    bool stop = false;
    StoppablePorts stoppable(Link().Opener(), [&] { return stop; });
    Session session(stoppable, view, view);
    ASSERT_TRUE(session.Unlock(T()).Succeeded());
    int pages = 0;
    const auto stopped = ReadToFile(*session.CommHandle(), {0xC000, 0xC3FF}, fresh,
                                    [&](int) { stop = ++pages == 2; });
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->reason, "page 00C200: stopped");
    EXPECT_EQ(stopped->lost.kind, PortLoss::Kind::Stopped);
    EXPECT_EQ(Count(0xFF) - 1, 2);  // two Page Reads after the ID check's code of 0xFF bytes
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(fresh)));
    EXPECT_FALSE(std::filesystem::exists(TempDir::Utf8(fresh + ".part")));
    EXPECT_FALSE(Link().PortOpen());  // let go at once
}

TEST_F(ReadBackTest, BlankCheckNamesTheFirstByteInUse) {
    std::vector<int> progress;
    const BlankCheckResult blank = FirstUsedByte(Unlocked(), {0xC000, 0xC3FF},
                                                 [&](int percent) { progress.push_back(percent); });
    EXPECT_EQ(blank.used, std::nullopt);
    EXPECT_FALSE(blank.failure);
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
    W().CloseCommHandle();

    Link().Target().Load(0xC1A7, std::vector<std::uint8_t>{0x00});
    Link().Target().Load(0xC2F0, std::vector<std::uint8_t>{0x12});
    EXPECT_EQ(FirstUsedByte(Unlocked(), {0xC000, 0xC3FF}, {}).used, 0xC1A7u);
    // Reading stopped at that page: two Page Reads.
    const auto& reads = Link().Reads();
    EXPECT_EQ(
        std::count_if(reads.begin(), reads.end(), [](const auto& r) { return r.requested == 256; }),
        4 + 2);
}

}  // namespace
}  // namespace bramblet::testing
