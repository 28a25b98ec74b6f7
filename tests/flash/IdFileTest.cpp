// ID files: the name beside the write file, the seven code bytes from the line ends, and the
// family tag that ReadIdFileFamily puts into the window.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace bramblet::testing
