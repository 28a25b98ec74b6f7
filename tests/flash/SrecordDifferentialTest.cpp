// The readers and writers against srec_cat, an independent implementation of the text formats:
// its Intel HEX and binary conversions of S-records read as those S-records do, and its
// conversions of the writers' files back to S-records hold the bytes written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "tests/flash/FormatFixtures.h"
#include "tests/support/TempDir.h"
#include "writer/common/Text.h"
#include "writer/flash/ImageWriter.h"

namespace bramblet::testing {
namespace {

void SrecCat(const std::string& arguments) {
    // Its warnings (no header, records out of order) are about the input, not the test.
    const std::string command = std::string(SREC_CAT) + " " + arguments + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

using ByteMap = std::map<std::uint32_t, std::uint8_t>;

ByteMap Filled(const ByteMap& bytes, std::uint32_t first, std::uint32_t last) {
    ByteMap filled;
    for (std::uint32_t a = first; a <= last; ++a) filled[a] = 0xFF;
    for (const auto& [a, b] : bytes) filled[a] = b;
    return filled;
}

// srec_cat refuses a file that gives one address two different bytes.
std::vector<DataRun> DisjointRuns(std::mt19937& random) {
    std::vector<DataRun> runs;
    for (const DataRun& run : RandomRuns(random, 0x0E0000, 0x30000)) {
        const bool overlaps = std::any_of(runs.begin(), runs.end(), [&](const DataRun& r) {
            return run.address < r.address + r.bytes.size() &&
                   r.address < run.address + run.bytes.size();
        });
        if (!overlaps) runs.push_back(run);
    }
    return runs;
}

// srec_cat writes in address order, so the pages come in another order: the same figures and
// the same bytes.
void ExpectSameImage(const Reading& a, const Reading& b) {
    EXPECT_EQ(b.check.count, a.check.count) << b.check.problem;
    EXPECT_EQ(b.check.minAddress, a.check.minAddress);
    EXPECT_EQ(b.check.maxAddress, a.check.maxAddress);
    ASSERT_TRUE(a.scan && b.scan);
    EXPECT_EQ(b.scan->digest.crc32, a.scan->digest.crc32);
    EXPECT_EQ(b.scan->digest.size, a.scan->digest.size);
}

TEST(SrecordDifferentialTest, SrecCatsConversionsReadAsTheSRecordsTheyCameFrom) {
    TempDir dir;
    std::mt19937 random(1964);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const std::vector<DataRun> runs = DisjointRuns(random);
        const std::string mot = dir.Write("in.mot", AsSRecords(runs));
        const Reading s = Read(mot);
        const ByteMap bytes = ReadBack(mot, std::nullopt);

        const std::string hex = dir.Name("conv.hex");
        SrecCat(Quoted(mot) + " -o " + Quoted(hex) + " -Intel");
        ExpectSameImage(s, Read(hex));
        EXPECT_EQ(ReadBack(hex, std::nullopt), bytes);

        const std::uint32_t first = s.check.minAddress, last = s.check.maxAddress;
        const std::string bin = dir.Name("conv.bin");
        SrecCat(Quoted(mot) + " -fill 0xFF 0x" + Hex(first, 6) + " 0x" + Hex(last + 1, 6) +
                " -offset -0x" + Hex(first, 6) + " -o " + Quoted(bin) + " -Binary");
        EXPECT_EQ(ReadBack(bin, first), Filled(bytes, first, last));
    }
}

TEST(SrecordDifferentialTest, SrecCatReadsTheWritersFilesAsTheBytesWritten) {
    TempDir dir;
    std::mt19937 random(2024);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const std::vector<DataRun> runs = DisjointRuns(random);
        const ByteMap bytes = ReadBack(dir.Write("in.mot", AsSRecords(runs)), std::nullopt);
        const WriteArea area{bytes.begin()->first, bytes.rbegin()->first};
        for (const char* name : {"out.hex", "out.bin"}) {
            SCOPED_TRACE(name);
            std::ostringstream out;
            const auto writer = MakeImageWriter(name, out, area, "");
            // Pages in ascending order, as a read hands them over.
            for (auto at = bytes.begin(); at != bytes.end();) {
                std::vector<std::uint8_t> run;
                const std::uint32_t start = at->first;
                for (; at != bytes.end() && at->first == start + run.size(); ++at) {
                    run.push_back(at->second);
                }
                writer->Data(start, run);
            }
            writer->End();
            const std::string file = dir.Write(name, out.str());
            const std::string back = dir.Name("back.mot");
            const bool binary = std::string(name) == "out.bin";
            SrecCat(Quoted(file) +
                    (binary ? " -Binary -offset 0x" + Hex(area.first, 6) : " -Intel") + " -o " +
                    Quoted(back));
            EXPECT_EQ(ReadBack(back, std::nullopt),
                      binary ? Filled(bytes, area.first, area.last) : bytes);
        }
    }
}

}  // namespace
}  // namespace bramblet::testing
