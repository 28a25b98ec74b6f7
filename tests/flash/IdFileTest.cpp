// ID files: the name beside the write file, the seven code bytes from the line ends, and the
// family tag that ReadIdFileFamily puts into the window.
#include <gtest/gtest.h>

#include "tests/support/SRecords.h"
#include "tests/support/TempDir.h"
#include "writer/core/FileChoice.h"
#include "writer/flash/IdFile.h"

namespace bramblet::testing {
namespace {

class IdFileTest : public ::testing::Test {
protected:
    IdFileContents Parse(const std::string& text) {
        const std::optional<IdFileContents> contents = ReadIdFile(dir.Write("x.id", text));
        EXPECT_TRUE(contents);
        return contents.value_or(IdFileContents{});
    }
    // ReadIdFileFamily for a write file with this ID file beside it: 1 and the family it names,
    // or 0 and the family the window had ("M16C").
    std::pair<int, std::string> Family(const std::string& text) {
        const std::string file = dir.Write("w.mot", "");
        dir.Write("w.id", text);
        const std::optional<bramblet::Family> family = ReadIdFileFamily(file);
        return {family ? 1 : 0, family ? FamilyName(*family) : "M16C"};
    }
    TempDir dir;
};

TEST_F(IdFileTest, NameBesideTheWriteFile) {
    EXPECT_EQ(IdFileName("C:\\work\\prog.mot"), "C:\\work\\prog.id");
    EXPECT_EQ(IdFileName("/home/u/prog.x.S"), "/home/u/prog.x.id");
    EXPECT_EQ(IdFileName("/home/u/prog"), "/home/u/prog.id");
    EXPECT_EQ(IdFileName("/home/u.v/prog"), "/home/u.v/prog.id");  // a dot in a folder name
    EXPECT_EQ(IdFileName("C:\\a.b\\prog"), "C:\\a.b\\prog.id");
    EXPECT_EQ(IdFileName(""), ".id");
}

TEST_F(IdFileTest, CodeBytesFromTheLastTwoCharactersOfLinesTwoToEight) {
    const auto contents = Parse(
        "ignored line\n0FFDDF1a\nFFE3B2\nFFEBc3\nFFEFD4\nFFF3e5\n"
        "FFF7F6\nFFFB07\nFFFF99\n");
    EXPECT_EQ(contents.code, IdCodeBytes({0x1A, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07}));
    EXPECT_EQ(contents.family, Family::R8C);
}

TEST_F(IdFileTest, ShortFilesLeaveZeros) {
    EXPECT_EQ(Parse("h\nFFFDDF01\nFFE302\nFFEB03\n").code, IdCodeBytes({1, 2, 3, 0, 0, 0, 0}));
    EXPECT_EQ(Parse("").code, IdCodeBytes{});
    EXPECT_EQ(Parse("only a first line\n").code, IdCodeBytes{});
}

TEST_F(IdFileTest, LastLineWithoutLineFeedIsNotConverted) {
    EXPECT_EQ(Parse("h\nFFFFDF01\nFFE302").code, IdCodeBytes({1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(IdFileTest, ShortLinesReadAsIfPrecededByNulAndLineFeed) {
    // An empty line gives 0x0A, a lone digit 5 gives 0xA5, a lone F 0xAF.
    EXPECT_EQ(Parse("h\n\n5\nF\n12\n").code, IdCodeBytes({0x0A, 0xA5, 0xAF, 0x12, 0, 0, 0}));
    // The very first line counts too: a file that starts with an empty line.
    EXPECT_EQ(Parse("\n7\n").code, IdCodeBytes({0xA7, 0, 0, 0, 0, 0, 0}));
}

TEST_F(IdFileTest, CarriageReturnsDroppedAndCtrlZEndsTheFile) {
    EXPECT_EQ(Parse("h\r\n0FFDDF4\r2\r\n5\r\n").code, IdCodeBytes({0x42, 0xA5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Parse(std::string("h\nFFFDDF01\nFFE302\n\x1A"
                                "FFEB03\n"))
                  .code,
              IdCodeBytes({1, 2, 0, 0, 0, 0, 0}));
}

TEST_F(IdFileTest, OddCharactersStillGiveNibbles) {
    // 'G' (0x47) gives 0x10 & 0xF = 0; 'z' (0x7A) 0x43 & 0xF = 3; '#' (0x23) -0xD & 0xF = 3.
    EXPECT_EQ(Parse("h\nxxGz\n#!\n").code, IdCodeBytes({0x03, 0x31, 0, 0, 0, 0, 0}));
}

TEST_F(IdFileTest, MissingFileIsReported) {
    EXPECT_FALSE(ReadIdFile(dir.Name("none.id")));
    EXPECT_FALSE(ReadIdFile(dir.Path().string()));  // a folder
}

TEST_F(IdFileTest, FamilyTags) {
    EXPECT_EQ(Family("h\n0FFDDF11\n"), std::make_pair(1, std::string("R8C")));
    EXPECT_EQ(Family("h\nFFFDDF11\n"), std::make_pair(1, std::string("M16C")));
    EXPECT_EQ(Family("h\nFFFFDF11\n"), std::make_pair(1, std::string("M32C")));
    // Case-sensitive, although hex digits are not.
    EXPECT_EQ(Family("h\n0ffdDF11\n"), std::make_pair(0, std::string("M16C")));
    EXPECT_EQ(Family("h\n1234DF11\n"), std::make_pair(0, std::string("M16C")));
    EXPECT_EQ(Family("h\nFFF\n"), std::make_pair(0, std::string("M16C")));  // fewer than four
    EXPECT_EQ(Family("h\n"), std::make_pair(0, std::string("M16C")));
    EXPECT_EQ(Family("0FFDDF11\n"), std::make_pair(0, std::string("M16C")));  // line 1 is skipped
}

TEST_F(IdFileTest, BlankOrColonEndsTheTagButNotTheCode) {
    for (const char* line2 : {"FFFD:DF 3C\n", "FFFD DF:3C\n", "FFFDDF 3C\n"}) {
        EXPECT_EQ(Family(std::string("h\n") + line2), std::make_pair(1, std::string("M16C")))
            << line2;
        EXPECT_EQ(Parse(std::string("h\n") + line2).code[0], 0x3C) << line2;
    }
    // A blank inside the first four characters leaves too short a tag.
    EXPECT_EQ(Family("h\nFF FDDF3C\n").first, 0);
    EXPECT_EQ(Family("h\n0FF:DDF3C\n").first, 0);
}

TEST_F(IdFileTest, ByteFFEndsTheFamilyReading) {
    EXPECT_EQ(Family("h\xFF\n0FFDDF11\n").first, 0);
    EXPECT_EQ(Family("h\n0FF\xFF"
                     "DDF11\n")
                  .first,
              0);
    EXPECT_EQ(Family("h\n0FFD\xFF\n").first, 1);
}

TEST_F(IdFileTest, NoIdFileLeavesTheFamily) {
    EXPECT_FALSE(ReadIdFileFamily(dir.Name("alone.mot")));
}

TEST_F(IdFileTest, AWrittenIdFileReadsBackAsItsCodeAndFamily) {
    const IdCodeBytes code = {0x4B, 0x65, 0x6C, 0x70, 0x69, 0x6E, 0x21};
    // Line 2 starts as the window's tags have it and ends in ID1; ID2 to ID7 follow.
    EXPECT_EQ(IdFileText(Family::M16C, code),
              "M16C\r\nFFFDF:4B\r\nFFFE3:65\r\nFFFEB:6C\r\nFFFEF:70\r\nFFFF3:69\r\n"
              "FFFF7:6E\r\nFFFFB:21\r\n");
    for (const std::optional<bramblet::Family> family :
         {std::optional(Family::R8C), std::optional(Family::M16C), std::optional(Family::M32C),
          std::optional(Family::R8CM)}) {
        const IdFileContents back = Parse(IdFileText(family, code));
        EXPECT_EQ(back.code, code);
        // An R8CM has no tag of its own, and must not be taken for an M16C.
        EXPECT_EQ(back.family, family == Family::R8CM ? std::nullopt : family);
    }
}

TEST_F(IdFileTest, AnotherCodesFileIsKeptUnlessForced) {
    const std::string name = dir.Name("prog.id");
    const IdCodeBytes first = {1, 2, 3, 4, 5, 6, 7}, second = {1, 2, 3, 4, 5, 6, 8};
    std::string error;
    EXPECT_EQ(SaveIdFile(name, Family::R8C, first, false, error), IdFileSave::Written);
    // The same code again, even for another family, is no loss.
    EXPECT_EQ(SaveIdFile(name, Family::M16C, first, false, error), IdFileSave::Written);
    EXPECT_EQ(SaveIdFile(name, Family::M16C, second, false, error), IdFileSave::OtherCode);
    EXPECT_EQ(ReadIdFile(name)->code, first);
    EXPECT_EQ(SaveIdFile(name, Family::M16C, second, true, error), IdFileSave::Written);
    EXPECT_EQ(ReadIdFile(name)->code, second);
    EXPECT_FALSE(std::filesystem::exists(dir.Name("prog.id.part")));
    EXPECT_EQ(SaveIdFile(dir.Name("no/such/folder/prog.id"), Family::M16C, second, false, error),
              IdFileSave::Failed);
    EXPECT_NE(error.find("no/such/folder/prog.id"), std::string::npos) << error;
    const std::string missing = dir.Name("no/such/folder/prog.id");
    EXPECT_EQ(SaveIdFile(missing, Family::M16C, second, false, error, text::Lang::Ja),
              IdFileSave::Failed);
    EXPECT_EQ(error, missing + " を書き込めません");
}

TEST_F(IdFileTest, TheCodeGoesToTheFamilysSevenAddressesUnlessTheFileHoldsOthers) {
    const IdCodeBytes code = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    const ImagePatch patch = IdCodePatch(Family::R8C, code);
    std::vector<std::uint32_t> addresses;
    for (const ImagePatch::Byte& b : patch.All()) addresses.push_back(b.address);
    EXPECT_EQ(addresses,
              (std::vector<std::uint32_t>{0xFFDF, 0xFFE3, 0xFFEB, 0xFFEF, 0xFFF3, 0xFFF7, 0xFFFB}));
    EXPECT_EQ(patch.Pages(), (std::vector<std::uint32_t>{0xFF00}));
    EXPECT_EQ(IdCodeAddresses(Family::M32C)[6], 0xFFFFFBu);

    // A vector table that leaves the ID bytes out, one that holds the same code, one another.
    std::vector<std::uint8_t> vectors(0x20, 0x00);
    const std::string without = dir.Write("without.mot", SRecord('1', 0xFFDC, {0xC0, 0x00, 0x00}));
    for (std::size_t i = 0; i < 7; ++i) vectors[addresses[i] - 0xFFDC] = code[i];
    const std::string same = dir.Write("same.mot", SRecord('1', 0xFFDC, vectors));
    vectors[0xFFEB - 0xFFDC] = 0xFF;
    const std::string other = dir.Write("other.mot", SRecord('1', 0xFFDC, vectors));

    EXPECT_TRUE(IdCodeConflicts(*ScanImage(without, patch), patch).empty());
    EXPECT_TRUE(IdCodeConflicts(*ScanImage(same, patch), patch).empty());
    EXPECT_EQ(IdCodeConflicts(*ScanImage(other, patch), patch),
              (std::vector<ImagePatch::Byte>{{0xFFEB, 0xFF}}));

    // Beside a serial number the code's bytes come after the number's in a scan.
    ImagePatch both{0xC000, {9, 9}};
    both.Add(patch);
    const auto scan = ScanImage(other, both);
    ASSERT_EQ(scan->held.size(), 9u);
    EXPECT_FALSE(scan->held[0]);
    EXPECT_EQ(IdCodeConflicts(*scan, both), (std::vector<ImagePatch::Byte>{{0xFFEB, 0xFF}}));
    // What is written: the file's bytes with the code over them, and 0xFF beside them.
    const auto without2 = ScanImage(without, patch);
    PageImage page;
    page.fill(0xFF);
    page[0xDC] = 0xC0;
    page[0xDD] = page[0xDE] = 0x00;
    PageFlags present{};
    patch.Apply(0xFF00, page, present);
    EXPECT_EQ(without2->digest.crc32, Crc32(0, page.data(), page.size()));
}

}  // namespace
}  // namespace bramblet::testing
