// The tools database scan: which lines store which records.
#include <gtest/gtest.h>

#include "installer/Discovery.h"
#include "tests/installer/FakePlatform.h"

namespace kelpin {
namespace {

const std::string kFile = "C:\\Hew\\toolsdb.hdb";

struct Scan {
    int result;
    ToolInventory inventory;
    std::string output;
};

Scan Read(const std::string& text) {
    testing::FakePlatform fake;
    fake.files[kFile] = text;
    Scan scan{0, {}, {}};
    scan.result = ReadToolsDatabase(fake, "C:\\Hew", scan.inventory);
    scan.output = fake.output;
    return scan;
}

const KindTable& Nc30(const Scan& scan) {
    return scan.inventory.Kind(ToolKind::Nc30wa);
}

const std::string kNc30Line =
    "\"Renesas M16C Standard Toolchain\" \"5.30\" \"c\" \"d\" \"e\" \"C:\\nc30\"\n";

TEST(ToolsDatabase, SectionHeaders) {
    EXPECT_EQ(Read("   [TOOLS]\n" + kNc30Line).result, 1);
    EXPECT_EQ(Read("[TOOLS] any text\n" + kNc30Line).result, 1);
    EXPECT_EQ(Read("\t[TOOLS]\n" + kNc30Line).result, 0);
    EXPECT_EQ(Read("[tools]\n" + kNc30Line).result, 0);
    EXPECT_EQ(Read("[TOOLSX]\n" + kNc30Line).result, 0);
    EXPECT_EQ(Read(kNc30Line).result, 0);
    // A later header ends the section; "[TOOLS]" starts it again.
    EXPECT_EQ(Read("[TOOLS]\n" + kNc30Line + "[OTHER]\n" + kNc30Line).result, 1);
    EXPECT_EQ(Read("[TOOLS]\n[OTHER]\n" + kNc30Line + "[TOOLS]\r\n" + kNc30Line).result, 1);
}

TEST(ToolsDatabase, FieldsAndKinds) {
    // Five fields store nothing; seven store fields 2 and 6.
    EXPECT_EQ(
        Read("[TOOLS]\n\"Renesas M16C Standard Toolchain\" \"5.30\" \"c\" \"d\" \"e\"\n").result,
        0);
    const Scan seven = Read(
        "[TOOLS]\n  x \"Renesas M16C Standard Toolchain V.5.30 Release 2\"y\"5.30.02\"\"3\" \"4\" "
        "\"5\" \"C:\\Tools\\nc30\" \"7\"\n");
    EXPECT_EQ(seven.result, 1);
    EXPECT_EQ(Nc30(seven).Current().version.View(), "5.30.02");
    EXPECT_EQ(Nc30(seven).Current().path.View(), "C:\\Tools\\nc30");

    // A later field that names a kind overrides an earlier one.
    const Scan both = Read(
        "[TOOLS]\n\"M32C FoUSB\" \"1.0\" \"Renesas M16C Standard Toolchain\" \"d\" \"e\" "
        "\"C:\\x\"\n");
    EXPECT_TRUE(Nc30(both).found);
    EXPECT_FALSE(both.inventory.Kind(ToolKind::FoUsbM32c).found);

    // Prefixes are compared over their own length only, case-sensitively.
    const Scan fousb = Read(
        "[TOOLS]\n\"M16C R8C FoUSB/Serial\" \"1.3\" \"c\" \"d\" \"e\" \"C:\\f\"\n"
        "\"m32c fousb\" \"1.0\" \"c\" \"d\" \"e\" \"C:\\g\"\n");
    EXPECT_EQ(fousb.result, 1);
    EXPECT_TRUE(fousb.inventory.Kind(ToolKind::FoUsbM16c).found);

    // The sixth field may lack its closing quote at the end of the line.
    const Scan open = Read(
        "[TOOLS]\n\"Renesas M32C Standard Toolchain\" \"5.20\" \"c\" \"d\" \"e\" \"C:\\nc308\n");
    EXPECT_EQ(open.inventory.Kind(ToolKind::Nc308wa).Current().path.View(), "C:\\nc308");

    // A zero byte ends the line's text: the field after it is not counted.
    const std::string zero =
        "[TOOLS]\n\"Renesas M16C Standard Toolchain\" \"5.30\" \"c\" \"d\" \"e\"";
    EXPECT_EQ(Read(zero + std::string(1, '\0') + " \"C:\\nc30\"\n").result, 0);
    EXPECT_EQ(Read(zero + " \"C:\\nc30\"" + std::string(1, '\0') + "\"x\"\n").result, 1);
}

TEST(ToolsDatabase, PendingKindCarriesToTheNextFullLine) {
    const Scan scan = Read(
        "[TOOLS]\n\"Renesas M16C Standard Toolchain\" \"short\"\n"
        "\"a\" \"5.10\" \"c\" \"d\" \"e\" \"C:\\pending\"\n"
        "\"a\" \"9.99\" \"c\" \"d\" \"e\" \"C:\\nothing\"\n");
    EXPECT_EQ(scan.result, 1);
    EXPECT_EQ(Nc30(scan).Current().path.View(), "C:\\pending");

    // A line longer than 510 characters is read as two lines: the kind is named in the first,
    // the six fields come in the second.
    const std::string first = "\"Renesas M16C Standard Toolchain\"";
    const Scan split = Read("[TOOLS]\n" + first + std::string(510 - first.size(), ' ') +
                            "\"a\" \"5.40\" \"c\" \"d\" \"e\" \"C:\\split\"\n");
    EXPECT_EQ(split.result, 1);
    EXPECT_EQ(Nc30(split).Current().path.View(), "C:\\split");
}

TEST(ToolsDatabase, LaterEntriesOfAKindBecomeCurrent) {
    const Scan two =
        Read("[TOOLS]\n" + kNc30Line +
             "\"Renesas M16C Standard Toolchain\" \"5.40\" \"c\" \"d\" \"e\" \"C:\\v540\"\n");
    EXPECT_EQ(Nc30(two).count, 2);
    EXPECT_EQ(Nc30(two).Current().version.View(), "5.40");

    std::string four = "[TOOLS]\n";
    for (int i = 1; i <= 4; ++i) {
        four += "\"Renesas M16C Standard Toolchain\" \"v" + std::to_string(i) +
                "\" \"c\" \"d\" \"e\" \"C:\\" + std::to_string(i) + "\"\n";
    }
    const Scan scan = Read(four);
    EXPECT_EQ(scan.result, 4);
    EXPECT_EQ(Nc30(scan).count, 3);
    EXPECT_EQ(Nc30(scan).Current().path.View(), "C:\\4");
    EXPECT_EQ(Nc30(scan).entries[1].path.View(), "C:\\2");
}

TEST(ToolsDatabase, OverlongFieldsAndMissingFile) {
    const Scan scan =
        Read("[TOOLS]\n\"Renesas M16C Standard Toolchain\" \"" + std::string(40, '5') +
             "\" \"c\" \"d\" \"e\" \"C:\\" + std::string(137, 'p') + "\"\n" + kNc30Line);
    // The version is cut to its field; a path that does not fit stores nothing.
    EXPECT_EQ(scan.result, 1);
    EXPECT_EQ(Nc30(scan).Current().path.View(), "C:\\nc30");
    const Scan fits =
        Read("[TOOLS]\n\"Renesas M16C Standard Toolchain\" \"" + std::string(40, '5') +
             "\" \"c\" \"d\" \"e\" \"C:\\" + std::string(136, 'p') + "\"\n");
    EXPECT_EQ(Nc30(fits).Current().version.View(), std::string(19, '5'));
    EXPECT_EQ(Nc30(fits).Current().path.View().size(), 139u);

    testing::FakePlatform fake;
    ToolInventory inventory;
    EXPECT_EQ(ReadToolsDatabase(fake, "C:\\Hew", inventory), -1);
    EXPECT_EQ(fake.output, "Scaning R8C/M16C/M32C toolchain and debugger ....\n");
}

}  // namespace
}  // namespace kelpin
