// The formats beyond S-records: the same image as S-records, Intel HEX, ELF and a raw binary
// gives the same pages, range, size and CRC-32; malformed files say where and what; the writers'
// files read back to the bytes written.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/flash/FormatFixtures.h"
#include "tests/support/TempDir.h"
#include "writer/flash/ImageWriter.h"

namespace bramblet::testing {
namespace {

TEST(FileFormatsTest, AnImageReadsTheSameInEveryFormat) {
    TempDir dir;
    std::mt19937 random(24);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        const std::vector<DataRun> runs = RandomRuns(random);
        const Reading s = Read(dir.Write("image.mot", AsSRecords(runs)));
        ASSERT_GT(s.check.count, 0);
        EXPECT_EQ(s.format, FileFormat::SRecords);
        // Names say nothing when read by content.
        const Reading hex = Read(dir.Write("image.txt", AsIntelHex(runs)));
        EXPECT_EQ(hex.format, FileFormat::IntelHex);
        ExpectSame(s, hex);
        ExpectSame(s, Read(dir.Write("image.hex", AsIntelHex(runs, "\r\n"))));
        // Segment bases (type 02) reach the first megabyte.
        std::vector<DataRun> low;
        std::copy_if(runs.begin(), runs.end(), std::back_inserter(low),
                     [](const DataRun& r) { return r.address + r.bytes.size() <= 0x100000; });
        ExpectSame(Read(dir.Write("low.mot", AsSRecords(low))),
                   Read(dir.Write("low.hex", AsIntelHex(low, "\n", true))));
        const Reading elf = Read(dir.Write("image.mot2", AsElf(runs)));
        EXPECT_EQ(elf.format, FileFormat::Elf);
        ExpectSame(s, elf);
    }
}

TEST(FileFormatsTest, ARawBinaryIsTheImageFromItsBase) {
    TempDir dir;
    std::mt19937 random(7);
    for (std::uint32_t base : {0xC013u, 0x0F0000u, 0xFFFF00u}) {
        const std::uint32_t size = base == 0xFFFF00u ? 0x100 : 0x1234;
        DataRun run{base, std::vector<std::uint8_t>(size)};
        for (auto& b : run.bytes) b = static_cast<std::uint8_t>(random());
        const Reading s = Read(dir.Write("image.mot", AsSRecords({run})));
        const std::string raw(run.bytes.begin(), run.bytes.end());
        const Reading bin = Read(dir.Write("image.bin", raw), {true, base});
        EXPECT_EQ(bin.format, FileFormat::Binary);
        ExpectSame(s, bin);
        EXPECT_EQ(bin.check.minAddress, base);
        EXPECT_EQ(bin.check.maxAddress, base + size - 1);
    }
}

TEST(FileFormatsTest, TheWindowsNameRuleStaysUnlessContentIsAskedFor) {
    TempDir dir;
    const std::string hex = dir.Write("prog.hex", AsIntelHex({{0xC000, Bytes(0xC000, 4)}}));
    SRecordStream stream;
    EXPECT_EQ(stream.Open(hex), StreamOpen::NotSRecordName);
    EXPECT_EQ(stream.Open(hex, {}), StreamOpen::NotSRecordName);
    EXPECT_EQ(stream.Open(hex, kByContent), StreamOpen::Opened);
    // An S-record file with junk before its first record is still one by the window's rule,
    // and by content too, so that a file the window takes is never refused; under another name
    // it shows no format.
    const std::string junk = dir.Write("junk.mot", "hello\n" + SRecord('1', 0xC000, {1}));
    EXPECT_EQ(Read(junk, {}).check.count, 1);
    EXPECT_EQ(Read(junk).check.count, 1);
    EXPECT_EQ(Read(dir.Write("junk.txt", "hello\n" + SRecord('1', 0xC000, {1}))).open,
              StreamOpen::NotWriteFile);
}

TEST(FileFormatsTest, AFileItCannotTellIsRefusedWithItsReason) {
    TempDir dir;
    struct Case {
        std::string content;
        std::optional<std::uint32_t> base;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"\x01\x02\x03", std::nullopt, "neither S-records, Intel HEX nor ELF"},
        // Something like a record but no whole line of hex digits: a binary may begin so.
        {std::string("S1\x13\x00", 4), std::nullopt, "neither"},
        {":10000000ZZ\n", std::nullopt, "neither"},
        {HexRecord(1, 0, {}), 0x4000u, "the file is Intel HEX, which holds its own addresses"},
        {SRecord('1', 0xC000, {1}), 0x4000u, "the file is S-records"},
        {Elf32({}), 0u, "the file is ELF"},
    };
    for (const Case& c : cases) {
        const std::string name = dir.Write("odd.dat", c.content);
        const Reading r = Read(name, {true, c.base});
        EXPECT_EQ(r.open, StreamOpen::NotWriteFile) << c.problem;
        EXPECT_EQ(r.check.problem.rfind(name + ": ", 0), 0u) << r.check.problem;
        EXPECT_NE(r.check.problem.find(c.problem), std::string::npos) << r.check.problem;
    }
    // Text that only looks like a record for a few characters is a binary where a base is given.
    EXPECT_EQ(Read(dir.Write("odd.dat", std::string("S1\x13\x00", 4)), {true, 0x4000}).check.count,
              4);
    EXPECT_EQ(Read(dir.Name("missing.hex")).open, StreamOpen::Unreadable);
}

TEST(FileFormatsTest, AMalformedFileSaysWhereAndWhat) {
    TempDir dir;
    const std::string good = HexRecord(0, 0xC000, {1, 2, 3});
    const std::string end = HexRecord(1, 0, {});
    std::string badSum = good;
    badSum[badSum.size() - 2] = badSum[badSum.size() - 2] == '0' ? '1' : '0';
    struct Case {
        std::string content;
        std::int32_t failure;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {good + badSum + end, kBadChecksum, "line 2: checksum"},
        {good + "\n" + good.substr(0, 9) + "\n" + end, kTruncatedRecord,
         "line 3: the record is too short"},
        {good + ":0300000001020\n" + end, kTruncatedRecord, "line 2: an odd number of hex digits"},
        {good + ":03C0000001G203\n" + end, kTruncatedRecord, "line 2: 'G' is not a hex digit"},
        {good + HexRecord(0, 0, {1, 2}).replace(1, 2, "03") + end, kTruncatedRecord,
         "says 3 data bytes but has 2"},
        {good + HexRecord(6, 0, {}) + end, kTruncatedRecord, "line 2: unknown record type 06"},
        {good + HexRecord(4, 0, {1}) + end, kTruncatedRecord, "type 04) needs 2 bytes"},
        {HexRecord(4, 0, {0x01, 0x00}) + good + end, kTruncatedRecord,
         "address 100C000 is beyond the chip's address space"},
        {good, kTruncatedRecord, "line 2: the file ends without an end record"},
        {good + "S1030000FC\n" + end, kTruncatedRecord,
         "line 2: a record must start with ':', not 'S'"},
        {good + HexRecord(1, 0, {5}), kTruncatedRecord, "an end record (type 01) with data"},
        {"\x7F"
         "ELF",
         kTruncatedRecord, "too short for an ELF header"},
    };
    for (const Case& c : cases) {
        const std::string name = dir.Write("bad.hex", c.content);
        const Reading r = Read(name);
        ASSERT_EQ(r.open, StreamOpen::Opened) << c.problem;
        EXPECT_EQ(r.check.count, c.failure) << c.problem;
        EXPECT_EQ(r.check.problem.rfind(name + ": ", 0), 0u) << r.check.problem;
        EXPECT_NE(r.check.problem.find(c.problem), std::string::npos) << r.check.problem;
    }
    // Anything after the end record is not read, and blank lines and trailing blanks are fine.
    const std::string blanks = good.substr(0, good.size() - 1) + " \t\n\n";
    EXPECT_EQ(Read(dir.Write("ok.hex", "\n" + blanks + end + "junk")).check.count, 3);
}

TEST(FileFormatsTest, AMalformedElfFileSaysWhereAndWhat) {
    TempDir dir;
    const std::string elf = AsElf({{0xC000, Bytes(0, 16)}, {0xD000, Bytes(0, 16)}});
    auto with = [&](std::size_t at, std::uint32_t value, int bytes) {
        std::string e = elf;
        PutLittle(e, at, value, bytes);
        return e;
    };
    constexpr std::size_t kFirstPhdr = 52, kSecondLoad = 52 + 2 * 32;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {with(4, 2, 1), "not a 32-bit ELF file (class 02)"},
        {with(5, 2, 1), "not a little-endian ELF file (data 02)"},
        {with(42, 16, 2), "program headers of 16 bytes, fewer than 32"},
        {with(28, 0xFFFFF0, 4), "the program headers at offset FFFFF0 run past the end"},
        {with(kSecondLoad + 4, 0x10000, 4),
         "segment 2 (program header at offset 74): its 16 bytes at offset 10000 run past"},
        {with(kFirstPhdr + 12, 0xFFFFF8, 4),
         "segment 0 (program header at offset 34): its 16 bytes at address FFFFF8 reach beyond"},
        // The note segment's data comes last, and is no image data.
        {elf.substr(0, elf.size() - 5), "segment 2 (program header at offset 74)"},
    };
    EXPECT_EQ(Read(dir.Write("note.elf", elf.substr(0, elf.size() - 4))).check.count, 32);
    for (const auto& [content, problem] : cases) {
        const Reading r = Read(dir.Write("bad.elf", content));
        ASSERT_EQ(r.open, StreamOpen::Opened) << problem;
        EXPECT_EQ(r.check.count, kTruncatedRecord) << problem;
        EXPECT_NE(r.check.problem.find(problem), std::string::npos) << r.check.problem;
    }
    // A binary that would run past the top of the address space is refused, not wrapped.
    const Reading bin = Read(dir.Write("top.bin", std::string(0x101, 'x')), {true, 0xFFFF00});
    EXPECT_EQ(bin.check.count, kTruncatedRecord);
    EXPECT_NE(bin.check.problem.find("from offset 100 on"), std::string::npos) << bin.check.problem;
}

// The whole problem, so that a placeholder in the wrong place or a figure lost shows.
TEST(FileFormatsTest, ProblemsSpeakTheLanguageTheReadingAsks) {
    TempDir dir;
    auto japanese = [](std::optional<std::uint32_t> base = std::nullopt) {
        return FileReading{true, base, text::Lang::Ja};
    };
    const std::string good = HexRecord(0, 0xC000, {1, 2, 3});
    const std::string end = HexRecord(1, 0, {});
    std::string badSum = good;
    badSum[badSum.size() - 2] = badSum[badSum.size() - 2] == '0' ? '1' : '0';
    std::string elf = AsElf({{0xC000, Bytes(0, 16)}, {0xD000, Bytes(0, 16)}});
    PutLittle(elf, 52 + 2 * 32 + 4, 0x10000, 4);
    std::string high = AsElf({{0xC000, Bytes(0, 16)}});
    PutLittle(high, 52 + 12, 0xFFFFF8, 4);
    struct Case {
        std::string name, content;
        std::optional<std::uint32_t> base;
        std::string problem;  // after the file's name and ": "
    };
    const std::vector<Case> cases = {
        {"sum.hex", good + badSum + end, std::nullopt,
         "2 行目: チェックサムが " + badSum.substr(badSum.size() - 3, 2) +
             " ですが、レコードのバイトからは " + good.substr(good.size() - 3, 2) + " になります"},
        {"ctl.hex", good + ":03C000\x01\n" + end, std::nullopt,
         "2 行目: バイト 01 は 16 進数字ではありません"},
        {"len.hex", good + HexRecord(0, 0, {1, 2}).replace(1, 2, "03") + end, std::nullopt,
         "2 行目: レコードのデータ長は 3 バイトですが、データは 2 バイトです"},
        {"end.hex", good, std::nullopt,
         "2 行目: エンドレコード (タイプ 01) がないままファイルが終わっています"},
        {"seg.elf", elf, std::nullopt,
         "セグメント 2 (プログラムヘッダーは オフセット 74): オフセット 10000 からの 16 バイトが"
         "ファイルの終わりを越えています"},
        {"high.elf", high, std::nullopt,
         "セグメント 0 (プログラムヘッダーは オフセット 34): アドレス FFFFF8 からの 16 バイトが"
         "チップのアドレス空間 (FFFFFF) を超えています"},
        {"top.bin", std::string(0x101, 'x'), 0xFFFF00u,
         "ベース FFFF00 からの 257 バイトは、オフセット 100 以降がチップのアドレス空間 (FFFFFF) "
         "を超えています"},
        {"odd.dat", "\x01\x02\x03", std::nullopt,
         "S レコード、Intel HEX、ELF "
         "のいずれでもありません。生のバイナリにはベースアドレスが必要です"},
        {"own.dat", SRecord('1', 0xC000, {1}), 0x4000u,
         "このファイル (S レコード) "
         "はアドレスを自ら持っています。ベースアドレスは生のバイナリにだけ使います"},
    };
    for (const Case& c : cases) {
        const std::string name = dir.Write(c.name, c.content);
        EXPECT_EQ(Read(name, japanese(c.base)).check.problem, name + ": " + c.problem);
    }
    // The same file in English, as the problems have always read.
    const std::string top = dir.Name("top.bin");
    EXPECT_EQ(Read(top, {true, 0xFFFF00}).check.problem,
              top +
                  ": 257 bytes at base FFFF00 reach beyond the chip's address space (FFFFFF) "
                  "from offset 100 on");
}

TEST(FileFormatsTest, WrittenFilesReadBackToTheBytesWritten) {
    TempDir dir;
    std::mt19937 random(5);
    const WriteArea area{0x0EFF00, 0x1001FF};  // across two 64 KB boundaries
    std::vector<DataRun> runs;
    for (std::uint32_t page = area.first; page < area.last; page += 0x100) {
        if (random() % 3 == 0) continue;  // a page that read as blank
        DataRun run{page, std::vector<std::uint8_t>(0x100)};
        for (auto& b : run.bytes) b = static_cast<std::uint8_t>(random());
        runs.push_back(run);
    }
    std::map<std::uint32_t, std::uint8_t> written, blankFilled;
    for (std::uint32_t a = area.first; a <= area.last; ++a) blankFilled[a] = 0xFF;
    for (const DataRun& run : runs) {
        for (std::size_t i = 0; i < run.bytes.size(); ++i) {
            written[run.address + static_cast<std::uint32_t>(i)] = run.bytes[i];
            blankFilled[run.address + static_cast<std::uint32_t>(i)] = run.bytes[i];
        }
    }
    for (const char* name : {"out.HEX", "out.ihex", "out.bin", "out.mot", "out.srec"}) {
        SCOPED_TRACE(name);
        std::ostringstream out;
        const auto writer = MakeImageWriter(name, out, area, "test");
        for (const DataRun& run : runs) writer->Data(run.address, run.bytes);
        writer->End();
        const std::string file = dir.Write(name, out.str());
        const bool binary = std::string(name) == "out.bin";
        EXPECT_EQ(ReadBack(file, binary ? std::optional(area.first) : std::nullopt),
                  binary ? blankFilled : written);
        const std::optional<FileFormat> format = Read(file).format;
        EXPECT_EQ(format, binary ? std::optional<FileFormat>()
                          : std::string(name).find("hex") != 5 && std::string(name).find("HEX") != 4
                              ? FileFormat::SRecords
                              : FileFormat::IntelHex);
    }
}

}  // namespace
}  // namespace bramblet::testing
