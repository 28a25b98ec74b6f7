#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/RecordingSink.h"
#include "tests/support/RecordingView.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "writer/core/WriteFile.h"

namespace bramblet {
namespace {

using testing::Bytes;
using testing::Flush;
using testing::RecordingSink;
using testing::SRecord;
using testing::SRecords;

class StreamTest : public ::testing::Test {
protected:
    std::int32_t Pass(const std::string& name, std::uint8_t mode = kCheckMode,
                      std::int32_t expected = 0) {
        const StreamResult result = StreamSFormatFile(view, sink, name, mode, expected);
        minAddress = result.minAddress;
        maxAddress = result.maxAddress;
        return result.count;
    }
    std::int32_t PassText(const std::string& text, std::uint8_t mode = kCheckMode,
                          std::int32_t expected = 0) {
        return Pass(dir.Write("data.mot", text), mode, expected);
    }

    testing::TempDir dir;
    testing::RecordingView view;
    RecordingSink sink;
    std::uint32_t minAddress = 0;
    std::uint32_t maxAddress = 0;
};

using testing::kBroken;
using testing::kCannotRead;
using testing::kChecking;
using testing::kChecksum;
using testing::kNotSFormat;

TEST_F(StreamTest, AcceptsOnlyDotSAndDotMotInAnyCase) {
    const std::string records = SRecords('1', 0x1000, 4);
    for (const char* name : {"a.s", "a.S", "a.mot", "a.MOT", "a.Mot", "dir.x/a.s"}) {
        EXPECT_EQ(Pass(dir.Write(name, records)), 4) << name;
        EXPECT_EQ(view.LastStatus(), kChecking) << name;
    }
    for (const char* name : {"a.S19", "a.SREC", "a.hex", "a", "dir.mot/a", "a.mot.txt", "a."}) {
        EXPECT_EQ(Pass(dir.Write(name, records)), -1) << name;
        EXPECT_EQ(view.LastStatus(), kNotSFormat) << name;
        EXPECT_EQ(minAddress, 0xFFFFFFFF);
        EXPECT_EQ(maxAddress, 0u);
    }
    EXPECT_EQ(Pass(""), -1);
    EXPECT_EQ(view.LastStatus(), kNotSFormat);
}

TEST_F(StreamTest, NamesThatCannotBeReadAsFilesFailToOpen) {
    EXPECT_EQ(Pass(dir.Name("missing.mot")), -1);
    EXPECT_EQ(view.LastStatus(), kCannotRead);

    std::filesystem::create_directories(dir.Path() / "folder.mot");
    EXPECT_EQ(Pass(dir.Name("folder.mot")), -1);
    EXPECT_EQ(view.LastStatus(), kCannotRead);
    EXPECT_EQ(minAddress, 0xFFFFFFFF);
    EXPECT_EQ(maxAddress, 0u);
    // Nothing but the failure is shown: the start text is never written.
    EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), kChecking), 0);
}

TEST_F(StreamTest, AReadErrorIsNotAnEndOfFile) {
    // Reading /proc/self/mem from its start fails with EIO after a successful open.
    std::error_code ec;
    std::filesystem::create_symlink("/proc/self/mem", dir.Path() / "memory.mot", ec);
    if (ec || !std::filesystem::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
    EXPECT_EQ(Pass(dir.Name("memory.mot")), -1);
    EXPECT_EQ(view.LastStatus(), kCannotRead);
}

TEST_F(StreamTest, ReadsNonAsciiNames) {
    const std::string name = dir.Write("書込み データ.mot", SRecords('2', 0x0FFF00, 32));
    EXPECT_EQ(Pass(name), 32);
    EXPECT_EQ(minAddress, 0x0FFF00u);
    EXPECT_EQ(maxAddress, 0x0FFF1Fu);
}

TEST_F(StreamTest, DecodesS1AndS2AndSkipsOtherRecords) {
    const std::string text = "S00600004844521B\n" + SRecord('1', 0xE000, {1, 2, 3}) +
                             SRecord('3', 0x00000010, {9, 9}) + SRecord('2', 0x0FFFFE, {4, 5}) +
                             SRecord('5', 0x0003, {}) + SRecord('9', 0x0000, {}) +
                             SRecord('1', 0x2000, {6});
    EXPECT_EQ(PassText(text), 6);
    EXPECT_EQ(minAddress, 0x2000u);
    EXPECT_EQ(maxAddress, 0x0FFFFFu);
    // An "S" read as a record's type is used up: "SS1..." holds no record.
    EXPECT_EQ(PassText(SRecord('1', 0xE000, {1}).insert(0, 1, 'S')), 0);
}

TEST_F(StreamTest, FileWithoutDataRecordsCountsNothing) {
    const std::string text = "S00600004844521B\n" + SRecord('3', 0x10000000, {1, 2}) +
                             SRecord('5', 1, {}) + "S9030000FC\n";
    EXPECT_EQ(PassText(text), 0);
    EXPECT_EQ(minAddress, 0xFFFFFFFF);
    EXPECT_EQ(maxAddress, 0u);
    EXPECT_EQ(PassText(text, kProgramMode, 1), 0);
    EXPECT_EQ(PassText("", kVerifyMode, 1), 0);
    EXPECT_TRUE(sink.flushes.empty());
}

TEST_F(StreamTest, LowerCaseHexDecodesButLowerCaseSStartsNothing) {
    std::string record = SRecord('1', 0xABCD, {0xEF, 0xDA});
    for (char& c : record) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    record[0] = 'S';  // only the start must stay upper case
    EXPECT_EQ(PassText(record), 2);
    EXPECT_EQ(minAddress, 0xABCDu);
    EXPECT_EQ(PassText("s1" + record.substr(2)), 0);
}

TEST_F(StreamTest, ShortByteCountsCarryNoData) {
    // N = 3 in S1 and N = 4 in S2: address and checksum only. Below that the checksum pair
    // follows the address directly.
    EXPECT_EQ(PassText("S1031000EC\nS204010000FA\nS1021000ED\n"), 0);
    EXPECT_EQ(PassText("S1021000EC\n"), -3);
    EXPECT_EQ(view.LastStatus(), kChecksum);
}

TEST_F(StreamTest, ChecksumAndTruncationFailures) {
    const std::string good = SRecords('1', 0x1000, 20);
    std::string bad = SRecord('1', 0x2000, {1, 2, 3});
    bad[bad.size() - 2] ^= 1;
    EXPECT_EQ(PassText(good + bad), -3);
    EXPECT_EQ(view.LastStatus(), kChecksum);
    EXPECT_EQ(minAddress, 0x1000u);  // the range covers what was read before the failure
    EXPECT_EQ(maxAddress, 0x2002u);

    const std::string record = SRecord('2', 0x012345, {1, 2, 3, 4});
    for (std::size_t cut = 1; cut + 1 < record.size(); ++cut) {
        EXPECT_EQ(PassText(good + record.substr(0, cut)), -2) << cut;
        EXPECT_EQ(view.LastStatus(), kBroken);
    }
    // The data bytes read before the cut count for the range, the broken pair does not.
    EXPECT_EQ(PassText(good + record.substr(0, 17)), -2);
    EXPECT_EQ(minAddress, 0x1000u);
    EXPECT_EQ(maxAddress, 0x012347u);
    // A complete last record without a line end is fine.
    EXPECT_EQ(PassText(good + record.substr(0, record.size() - 1)), 24);
}

TEST_F(StreamTest, CarriageReturnsVanishAndCtrlZEndsTheFile) {
    std::string crlf;
    for (char c : SRecords('1', 0x3000, 40)) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    // A carriage return inside a record is dropped too, so the pair still decodes.
    std::string split = SRecord('1', 0x4000, {0x55});
    split.insert(5, "\r\r");
    EXPECT_EQ(PassText(crlf + split), 41);
    EXPECT_EQ(PassText(SRecords('1', 0x3000, 8) + "\x1A" + SRecords('1', 0x5000, 8)), 8);
    EXPECT_EQ(maxAddress, 0x3007u);
    // 0x1A in the middle of a record ends the file there.
    const std::string record = SRecord('1', 0x5000, {1, 2});
    EXPECT_EQ(PassText(record.substr(0, 6) + "\x1A" + record.substr(6)), -2);
}

TEST_F(StreamTest, AnyCharacterYieldsANibble) {
    // 'G' gives 0 and a line feed gives 0xA: "S1" "05" "10G0" "GA" + "\n"-based pairs.
    const std::string record = "S10410G0GG";  // N=4, address 0x1000, data 0x00, checksum?
    // sum = 4 + 0x10 + 0x00 + 0x00 = 0x14, checksum 0xEB
    EXPECT_EQ(PassText(record + "EB\n"), 1);
    EXPECT_EQ(minAddress, 0x1000u);
}

TEST_F(StreamTest, S1DataPastFFFFContinuesUpwards) {
    EXPECT_EQ(PassText(SRecord('1', 0xFFFE, {1, 2, 3, 4})), 4);
    EXPECT_EQ(minAddress, 0xFFFEu);
    EXPECT_EQ(maxAddress, 0x10001u);
}

TEST_F(StreamTest, PagesFlushInFileOrderWithFillAndFlags) {
    // 0x0FF0 to 0x1000 crosses a page; then page 0x2000; then page 0x1000 again.
    const std::string text = SRecords('1', 0x0FF0, 17) + SRecord('1', 0x2010, {0xAA, 0xBB}) +
                             SRecord('1', 0x1080, {0xCC});
    ASSERT_EQ(PassText(text, kProgramMode, 20), 20);
    ASSERT_EQ(sink.flushes.size(), 4u);
    EXPECT_EQ(sink.flushes[0].base, 0x0F00u);
    EXPECT_EQ(sink.flushes[1].base, 0x1000u);
    EXPECT_EQ(sink.flushes[2].base, 0x2000u);
    EXPECT_EQ(sink.flushes[3].base, 0x1000u);
    for (const Flush& f : sink.flushes) EXPECT_TRUE(f.program);

    PageImage first;
    first.fill(0xFF);
    for (int i = 0; i < 16; ++i) first[0xF0 + i] = static_cast<std::uint8_t>(0xF0 + i);
    EXPECT_EQ(sink.flushes[0].image, first);
    PageImage single;
    single.fill(0xFF);
    single[0] = 0x00;
    EXPECT_EQ(sink.flushes[1].image, single);
    // The page entered again holds only the bytes stored since its earlier flush.
    PageImage again;
    again.fill(0xFF);
    again[0x80] = 0xCC;
    EXPECT_EQ(sink.flushes[3].image, again);
}

TEST_F(StreamTest, VerifyPagesCarryPresentFlags) {
    std::string text = SRecord('2', 0x01FF10, {1, 2}) + SRecord('2', 0x01FF10, {7});
    ASSERT_EQ(PassText(text, kVerifyMode, 3), 3);
    ASSERT_EQ(sink.flushes.size(), 1u);
    const Flush& f = sink.flushes[0];
    EXPECT_FALSE(f.program);
    EXPECT_EQ(f.base, 0x01FF00u);
    EXPECT_EQ(f.image[0x10], 7);  // the later byte for an address replaces the earlier one
    EXPECT_EQ(f.image[0x11], 2);
    for (std::size_t i = 0; i < kPageSize; ++i) {
        EXPECT_EQ(f.present[i], i == 0x10 || i == 0x11 ? 1 : 0) << i;
    }
}

TEST_F(StreamTest, FailingFlushStopsThePass) {
    const std::string text = SRecords('1', 0x1000, 0x300);
    sink.failAt = 1;
    EXPECT_EQ(PassText(text, kProgramMode, 0x300), -4);
    EXPECT_EQ(view.LastStatus(), "フラッシュ書き込みに失敗しました!");
    EXPECT_EQ(sink.flushes.size(), 2u);
    EXPECT_EQ(maxAddress, 0x11FFu);  // the byte that triggered the flush is not stored

    sink.flushes.clear();
    sink.failAt = 2;  // the final flush
    EXPECT_EQ(PassText(text, kVerifyMode, 0x300), -5);
    EXPECT_EQ(view.LastStatus(), "フラッシュベリファイに失敗しました!");
    EXPECT_EQ(sink.flushes.size(), 3u);
}

TEST_F(StreamTest, ChecksumFailureDropsThePageBeingAssembled) {
    std::string bad = SRecord('1', 0x1100, {1, 2});
    bad[bad.size() - 2] ^= 1;
    EXPECT_EQ(PassText(SRecords('1', 0x1000, 16) + bad, kProgramMode, 18), -3);
    ASSERT_EQ(sink.flushes.size(), 1u);
    EXPECT_EQ(sink.flushes[0].base, 0x1000u);
    // The bytes of the damaged record were placed before its checksum was read.
    EXPECT_EQ(maxAddress, 0x1101u);
}

TEST_F(StreamTest, ProgressFollowsTheBytesStoredAtEachPageChange) {
    // 499 bytes before the page change at the 500th byte: 10 + 499 * 90 / 1000 = 54.
    const std::string text = SRecords('1', 0x1000 - 499, 499) + SRecords('1', 0x1000, 501);
    view.progress.clear();
    EXPECT_EQ(PassText(text, kProgramMode, 1000), 1000);
    ASSERT_FALSE(view.progress.empty());
    EXPECT_EQ(view.progress, (std::vector<int>{10 + 243 * 90 / 1000, 54, 10 + 755 * 90 / 1000}));
    EXPECT_EQ(view.statuses.back(), "フラッシュ書き込み中");
    // Check mode never moves the bar.
    view.progress.clear();
    EXPECT_EQ(PassText(text), 1000);
    EXPECT_TRUE(view.progress.empty());
}

TEST(FileCheckTextTest, FormatsAreaAndSize) {
    EXPECT_EQ(FileCheckText({8192, 0xE000, 0xFFFF}),
              "書込エリア(00E000-00FFFF)  書込サイズ(8192バイト)");
    EXPECT_EQ(FileCheckText({1, 0xFFFFFF, 0x1000000}),
              "書込エリア(FFFFFF-1000000)  書込サイズ(1バイト)");
    for (int n : {0, -1, -3}) {
        EXPECT_EQ(FileCheckText({n, 0xFFFFFFFF, 0}),
                  "書き込みファイルはSフォーマットでないか、異常です");
    }
}

}  // namespace
}  // namespace bramblet
