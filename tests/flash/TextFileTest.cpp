// The text reading under the S-record stream: its shortcuts must give exactly what reading one
// character at a time gives, for every byte value and across block boundaries.
#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "writer/flash/TextFile.h"

namespace bramblet {
namespace {

TEST(TextFileTest, HexPairsFollowTheNibbleRuleForEveryByte) {
    // Every pair of byte values except CR and 0x1A: about 128 KB, so several blocks.
    std::string text;
    std::vector<std::uint8_t> expected;
    for (int hi = 0; hi < 256; ++hi) {
        for (int lo = 0; lo < 256; ++lo) {
            if (hi == '\r' || hi == 0x1A || lo == '\r' || lo == 0x1A) continue;
            text += static_cast<char>(hi);
            text += static_cast<char>(lo);
            expected.push_back(static_cast<std::uint8_t>(HexNibble(hi) << 4 | HexNibble(lo)));
        }
    }
    EXPECT_EQ(HexNibble('G'), 0x0);
    EXPECT_EQ(HexNibble('\n'), 0xA);
    EXPECT_EQ(HexNibble('f'), 0xF);
    EXPECT_EQ(HexNibble(0xFF), 0x8);

    testing::TempDir dir;
    TextFile in;
    ASSERT_TRUE(in.Open(dir.Write("all.mot", text)));
    std::vector<std::uint8_t> got;
    std::uint8_t chunk[255];
    // Uneven chunk sizes put the word-at-a-time path at every offset.
    for (int size = 1;; size = size % 255 + 1) {
        const int n = in.GetHexBytes(chunk, size);
        got.insert(got.end(), chunk, chunk + n);
        if (n < size) break;
    }
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i], expected[i]) << "pair " << i << ": " << text.substr(2 * i, 2);
    }
}

TEST(TextFileTest, HexPairsSkipCarriageReturnsAndStopAtTheEnd) {
    testing::TempDir dir;
    std::string text = "1\r2\r\r34" + std::string(70000, 'A') + "\r5\r" + "6\x1A" + "78";
    TextFile in;
    ASSERT_TRUE(in.Open(dir.Write("cr.mot", text)));
    std::uint8_t b[2];
    ASSERT_EQ(in.GetHexBytes(b, 2), 2);
    EXPECT_EQ(b[0], 0x12);
    EXPECT_EQ(b[1], 0x34);
    std::vector<std::uint8_t> run(35000);
    ASSERT_EQ(in.GetHexBytes(run.data(), 35000), 35000);
    EXPECT_EQ(run.back(), 0xAA);
    // "5" then "6": one pair; 0x1A ends the file, so the next pair is incomplete.
    EXPECT_EQ(in.GetHexBytes(b, 2), 1);
    EXPECT_EQ(b[0], 0x56);
    EXPECT_EQ(in.Get(), TextFile::kEnd);
    EXPECT_FALSE(in.Failed());

    // An odd character at the end of the file is no pair.
    ASSERT_TRUE(in.Open(dir.Write("odd.mot", "ABC")));
    EXPECT_EQ(in.GetHexBytes(b, 2), 1);
    EXPECT_EQ(b[0], 0xAB);
}

TEST(TextFileTest, SkippingToARecordStopsAtCtrlZ) {
    testing::TempDir dir;
    // The "S" lies beyond the first block; a 0x1A before it ends the search.
    const std::string gap(100000, 'x');
    TextFile in;
    ASSERT_TRUE(in.Open(dir.Write("far.mot", gap + "\r\nS1")));
    ASSERT_TRUE(in.SkipPast('S'));
    EXPECT_EQ(in.Get(), '1');
    EXPECT_FALSE(in.SkipPast('S'));

    ASSERT_TRUE(in.Open(dir.Write("z.mot", gap + "\x1AS1")));
    EXPECT_FALSE(in.SkipPast('S'));
    EXPECT_EQ(in.Get(), TextFile::kEnd);
}

}  // namespace
}  // namespace bramblet
