// The write file in each format bramblet-cli reads by content, as a user meets it: check's
// figures, the flash a write leaves on a simulated chip, the files read writes, the files it
// refuses without sending a byte, and the memory a large file takes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/e2e/SimChips.h"
#include "tests/flash/FormatFixtures.h"
#include "tests/support/StatusTexts.h"

namespace bramblet::testing {
namespace {

using Lines = std::vector<std::string>;

class CliFormatsTest : public SimChipsTest {
protected:
    // Two runs that meet inside a page, so a binary of the same bytes has no gap to fill.
    const std::vector<DataRun> runs = {{0x4000, Bytes(0x4000, 0x130, 3)},
                                       {0x4130, Bytes(0x4130, 0x1D0, 4)}};

    std::vector<std::uint8_t> Image() const {
        std::vector<std::uint8_t> image;
        for (const DataRun& run : runs)
            image.insert(image.end(), run.bytes.begin(), run.bytes.end());
        return image;
    }

    // The same bytes in each format, with the options that read them.
    std::vector<std::pair<std::string, Lines>> Files() {
        const std::vector<std::uint8_t> image = Image();
        return {
            {dir.Write("prog.mot", AsSRecords(runs)), {}},
            {dir.Write("prog.hex", AsIntelHex(runs, "\r\n")), {}},
            {dir.Write("prog.elf", AsElf(runs)), {}},
            {dir.Write("prog.bin", std::string(image.begin(), image.end())), {"--base", "4000"}},
        };
    }

    static std::string Contents(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    RunResult Check(const std::string& file, Lines options = {}) {
        options.insert(options.end(), {"check", file});
        return Cli(options);
    }
};

TEST_F(CliFormatsTest, TheSameBytesInEveryFormatCheckAndWriteAlike) {
    const Lines expected = {kChecking, "書込エリア(004000-0042FF)  書込サイズ(768バイト)",
                            Check(dir.Write("ref.mot", AsSRecords(runs))).Lines().back()};
    std::string flash;
    for (const auto& [file, options] : Files()) {
        const RunResult check = Check(file, options);
        EXPECT_EQ(check.status, 0) << file << ": " << check.err;
        EXPECT_EQ(check.Lines(), expected) << file;

        auto chip = Sim("chip");
        Lines write = {"write", file, "--port", dir.Name("chip")};
        write.insert(write.end(), options.begin(), options.end());
        const RunResult written = Cli(write);
        EXPECT_EQ(written.status, 0) << file << ": " << written.err;
        EXPECT_EQ(written.Lines().back(), kWritten);
        chip->Stop();
        // The simulator saves its whole flash: the same file, the same flash.
        const std::string saved = Contents(dir.Name("chip.mot"));
        if (flash.empty()) flash = saved;
        EXPECT_EQ(saved, flash) << file;
    }
    // Not an empty flash compared with itself: the first byte is there.
    sim::Chip chip = Saved("chip");
    EXPECT_EQ(chip.Read(0x4000), runs[0].bytes[0]);
    EXPECT_EQ(chip.Read(0x42FF), runs[1].bytes.back());
}

TEST_F(CliFormatsTest, ReadWritesEachFormatByItsExtensionAndItReadsBack) {
    const std::string prog = dir.Write("prog.mot", AsSRecords(runs));
    auto chip = Sim("chip", {"--load", prog});
    const std::string crc = Check(prog).Lines().back();
    for (const std::string name : {"back.mot", "back.hex", "back.IHEX", "back.bin"}) {
        const std::string back = dir.Name(name);
        const RunResult read = Cli({"read", "4000-43FF", "--port", dir.Name("chip"), "-o", back});
        ASSERT_EQ(read.status, 0) << name << ": " << read.err;
        const bool binary = name == "back.bin";
        const Lines base = binary ? Lines{"--base", "4000"} : Lines{};
        Lines verify = {"verify", back, "--port", dir.Name("chip")};
        verify.insert(verify.end(), base.begin(), base.end());
        EXPECT_EQ(Cli(verify).status, 0) << name;
        if (binary) {
            // The whole range, the erased page included.
            std::vector<std::uint8_t> image = Image();
            image.resize(0x400, 0xFF);
            EXPECT_EQ(Contents(back), std::string(image.begin(), image.end()));
        } else {
            // The erased last page is left out, so the image is the written file's.
            EXPECT_EQ(Check(back).Lines().back(), crc) << name;
            EXPECT_EQ(Contents(back)[0], name == "back.mot" ? 'S' : ':');
        }
    }
}

TEST_F(CliFormatsTest, AFileItRefusesNamesWhereAndSendsNothing) {
    const std::string log = dir.Name("sim.log");
    auto chip = Sim("chip", {"--verbose"}, log);
    std::string hex = AsIntelHex(runs);
    hex[hex.find('\n', hex.find('\n') + 1) - 1] ^= 1;  // the second record's checksum
    std::string elf = AsElf(runs);
    elf.resize(elf.size() - 5);  // past the note segment's four bytes, into the last load's
    struct Case {
        std::string file;
        Lines options;
        std::string says;
    };
    const std::vector<Case> cases = {
        {dir.Write("bad.hex", hex), {}, "bad.hex: line 2: checksum "},
        {dir.Write("cut.elf", elf), {}, "cut.elf: segment 2 (program header at "},
        {dir.Write("prog.hex", AsIntelHex(runs)),
         {"--base", "4000"},
         "prog.hex: the file is Intel HEX"},
        {dir.Write("prog.bin", "\x01\x02"), {}, "prog.bin: neither S-records, Intel HEX nor ELF"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"write", "verify"}) {
            Lines args = {command, c.file, "--port", dir.Name("chip")};
            args.insert(args.end(), c.options.begin(), c.options.end());
            const RunResult run = Cli(args);
            EXPECT_EQ(run.status, 1) << c.file;
            EXPECT_NE(run.err.find("bramblet-cli: " + dir.Name("") + c.says), std::string::npos)
                << run.err;
        }
    }
    // A station reads the same in its result.
    const RunResult json =
        Cli({"write", dir.Name("bad.hex"), "--port", dir.Name("chip"), "--json"});
    EXPECT_NE(json.out.find("\"step\":\"file-check\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("line 2: checksum"), std::string::npos) << json.out;
    EXPECT_EQ(Contents(log), "");
    // The log would have shown a command that came.
    ASSERT_EQ(Cli({"info", "--port", dir.Name("chip")}).status, 0);
    EXPECT_NE(Contents(log), "");
}

TEST_F(CliFormatsTest, AMalformedFilesProblemSpeaksTheChosenLanguage) {
    std::string hex = AsIntelHex(runs);
    hex[hex.find('\n', hex.find('\n') + 1) - 1] ^= 1;  // the second record's checksum
    std::string elf = AsElf(runs);
    elf.resize(elf.size() - 5);
    const std::string badHex = dir.Write("bad.hex", hex), cutElf = dir.Write("cut.elf", elf);
    struct Case {
        std::string file, japanese, english;
    };
    const std::vector<Case> cases = {
        {badHex, "bad.hex: 2 行目: チェックサムが ", "bad.hex: line 2: checksum "},
        {cutElf, "cut.elf: セグメント 2 (プログラムヘッダーは オフセット 74): ",
         "cut.elf: segment 2 (program header at offset 74): "},
    };
    for (const Case& c : cases) {
        const RunResult ja = Check(c.file, {"--lang", "ja"});
        EXPECT_EQ(ja.status, 1) << c.file;
        EXPECT_NE(ja.err.find("bramblet-cli: " + dir.Name("") + c.japanese), std::string::npos)
            << ja.err;
        // With no language chosen the program's own words stay English.
        const RunResult plain = Check(c.file);
        EXPECT_EQ(plain.status, 1) << c.file;
        EXPECT_NE(plain.err.find("bramblet-cli: " + dir.Name("") + c.english), std::string::npos)
            << plain.err;
    }
    // A write reads the file as check does, and refuses it in the same words before it sends.
    auto chip = Sim("chip");
    const RunResult write =
        Cli({"--lang", "ja", "write", badHex, "--port", dir.Name("chip"), "--json"});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.out.find("2 行目: チェックサムが "), std::string::npos) << write.out;
}

// A file is read a page at a time: 16 MB takes about the memory of 16 KB. The files are written
// a piece at a time, since a child's peak memory counts this process's at the time it starts.
// The address sanitizer keeps freed memory in quarantine, up to 256 MB, so under it a peak tells
// how much was allocated in all, not how much was held at once: only the readings are checked.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kPeaksTellWhatIsHeld = false;
#else
constexpr bool kPeaksTellWhatIsHeld = true;
#endif

TEST_F(CliFormatsTest, LargeFilesCheckInTheMemoryOfSmallOnes) {
    const auto piece = [](std::uint32_t at, std::size_t n) {
        std::vector<std::uint8_t> bytes(n);
        for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((at + i) * 7 + 1);
        return bytes;
    };
    const auto peaks = [&](const std::string& name, std::uint32_t size) {
        std::ofstream bin(dir.Name(name + ".bin"), std::ios::binary);
        std::ofstream hex(dir.Name(name + ".hex"), std::ios::binary);
        std::ofstream elf(dir.Name(name + ".elf"), std::ios::binary);
        // One load segment of `size` bytes at 0, its data after the header.
        std::string header = Elf32({{1, 0, 0x400, {0}, 0}});
        header.pop_back();
        PutLittle(header, 52 + 16, size, 4);
        PutLittle(header, 52 + 20, size, 4);
        elf << header;
        for (std::uint32_t at = 0; at < size; at += 32) {
            const std::vector<std::uint8_t> bytes = piece(at, 32);
            if ((at & 0xFFFF) == 0) {
                hex << HexRecord(
                    4, 0,
                    {static_cast<std::uint8_t>(at >> 24), static_cast<std::uint8_t>(at >> 16)});
            }
            hex << HexRecord(0, static_cast<std::uint16_t>(at), bytes);
            bin.write(reinterpret_cast<const char*>(bytes.data()), 32);
            elf.write(reinterpret_cast<const char*>(bytes.data()), 32);
        }
        hex << HexRecord(1, 0, {});
        bin.close();
        hex.close();
        elf.close();
        std::vector<long> kb;
        for (const auto& [file, options] : std::vector<std::pair<std::string, Lines>>{
                 {name + ".bin", {"--base", "0"}}, {name + ".hex", {}}, {name + ".elf", {}}}) {
            const RunResult check = Check(dir.Name(file), options);
            EXPECT_EQ(check.status, 0) << file << ": " << check.err;
            char area[64];
            std::snprintf(area, sizeof area, "(000000-%06X)  書込サイズ(%u", size - 1, size);
            EXPECT_EQ(check.Lines().at(1), std::string("書込エリア") + area + "バイト)");
            kb.push_back(check.maxRssKb);
        }
        return kb;
    };
    const std::vector<long> small = peaks("small", 16 << 10);
    const std::vector<long> large = peaks("large", 16 << 20);
    if (!kPeaksTellWhatIsHeld) return;
    for (std::size_t i = 0; i < small.size(); ++i) {
        EXPECT_LT(large[i], small[i] + 2048) << i << ": " << small[i] << " KB against " << large[i];
    }
}

}  // namespace
}  // namespace bramblet::testing
