// The POSIX installer over a Wine prefix laid out on disk: path mapping, the in-process copy,
// and the real program from start to end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "installer/platform/posix/WinePrefix.h"
#include "tests/support/TempDir.h"

namespace kelpin {
namespace {

namespace fs = std::filesystem;
using bramblet::testing::TempDir;

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A prefix as wineboot leaves it: drive links in dosdevices, c: on drive_c and z: on /.
fs::path MakePrefix(const TempDir& dir) {
    const fs::path prefix = dir.Path() / "prefix";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
    return prefix;
}

TEST(WinePrefix, MapsWindowsPathsBothWays) {
    TempDir dir;
    const fs::path prefix = MakePrefix(dir);
    dir.Write("prefix/drive_c/Renesas/Hew/AUM.dat", "[HEW 4.0 Core]\nVersion=4.07\n");
    WinePrefix wine(prefix);
    const fs::path driveC = fs::canonical(prefix / "drive_c");
    EXPECT_EQ(wine.HostPath("c:\\RENESAS\\hew\\aum.DAT"), driveC / "Renesas/Hew/AUM.dat");
    EXPECT_EQ(wine.HostPath("C:\\Renesas\\..\\..\\Renesas/Hew\\.\\New"),
              driveC / "Renesas/Hew/New");
    EXPECT_EQ(wine.HostPath("Q:\\x"), std::nullopt);
    EXPECT_EQ(wine.HostPath("\\Renesas"), std::nullopt);
    EXPECT_EQ(wine.IniValue("C:\\renesas\\HEW\\Aum.Dat", "hew 4.0 core", "VERSION"), "4.07");

    // The closest drive names the folder: c: rather than z: inside drive_c.
    EXPECT_EQ(wine.WindowsPath(driveC / "Renesas"), "C:\\Renesas");
    EXPECT_EQ(wine.WindowsPath(driveC), "C:\\");
    EXPECT_EQ(wine.WindowsPath("/usr/share"), "Z:\\usr\\share");
}

TEST(WinePrefix, CopyListsEachFileAndRefusesACopyIntoItself) {
    TempDir dir;
    const fs::path prefix = MakePrefix(dir);
    dir.Write("prefix/drive_c/src/one.txt", "new");
    dir.Write("prefix/drive_c/src/deep/two.txt", "2");
    fs::create_directories(prefix / "drive_c/src/empty/inner");
    dir.Write("prefix/drive_c/dst/ONE.TXT", "old");
    std::FILE* out = std::tmpfile();
    WinePrefix wine(prefix, out);
    wine.RunCopy({"", "C:\\src", "C:\\Dst"});
    wine.RunCopy({"", "C:\\src", "C:\\src\\deep\\copy"});
    wine.RunCopy({"", "C:\\missing", "C:\\dst"});
    wine.RunCopy({"", "C:\\src", "Q:\\dst"});
    std::fflush(out);
    std::rewind(out);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    EXPECT_EQ(text,
              "C:\\src\\one.txt -> C:\\Dst\\one.txt\n"
              "C:\\src\\deep\\two.txt -> C:\\Dst\\deep\\two.txt\n"
              "2 file(s) copied\n"
              "Cannot perform a cyclic copy\n0 file(s) copied\n"
              "0 file(s) copied\n"
              "Invalid drive - Q:\\dst\n0 file(s) copied\n");
    EXPECT_EQ(Read(prefix / "drive_c/dst/ONE.TXT"), "new");
    EXPECT_FALSE(fs::exists(prefix / "drive_c/dst/one.txt"));
    EXPECT_EQ(Read(prefix / "drive_c/dst/deep/two.txt"), "2");
    EXPECT_TRUE(fs::is_directory(prefix / "drive_c/dst/empty/inner"));
    EXPECT_FALSE(fs::exists(prefix / "drive_c/src/deep/copy"));
}

TEST(WinePrefix, KelpinEndToEnd) {
    TempDir dir;
    const fs::path prefix = MakePrefix(dir);
    const std::string icon = "C:\\\\renesas\\\\hew\\\\System\\\\HewWksp.ico,1";
    // The user's classes win over the machine's.
    dir.Write("prefix/system.reg",
              "WINE REGISTRY Version 2\n\n[Software\\\\Classes\\\\HEW_Workspace\\\\DefaultIcon] 1\n"
              "@=\"C:\\\\Elsewhere\\\\System\\\\HewWksp.ico,1\"\n");
    dir.Write("prefix/user.reg",
              "WINE REGISTRY Version 2\n\n[Software\\\\Classes\\\\HEW_Workspace\\\\DefaultIcon] 1\n"
              "#time=1\n@=\"" +
                  icon + "\"\n");
    const std::string nc30 = "C:\\Renesas\\Hew\\Tools\\Renesas\\nc30wa\\v540";
    dir.Write("prefix/drive_c/Renesas/Hew/TOOLSDB.HDB",
              "[Header]\r\n[TOOLS]\r\n\"Renesas M16C Standard Toolchain\" \"5.40.00\" \"a\" \"b\" "
              "\"c\" \"" +
                  nc30 + "\"\r\n");
    dir.Write("prefix/drive_c/Renesas/Hew/AUM.dat", "[HEW 4.0 Core]\r\nVersion=4.07.00\r\n");
    // UTF-16LE with its byte-order mark, and a workspace folder ending in a backslash.
    std::string hew2 = "\xFF\xFE";
    for (const char c : std::string_view(
             "[WorkspaceSettings_Values]\r\nWorkspaceSettings_Value6=C:\\WorkSpace\\\r\n")) {
        hew2 += {c, '\0'};
    }
    dir.Write("prefix/drive_c/Renesas/Hew/HEW2.INI", hew2);
    dir.Write("prefix/drive_c/Renesas/Hew/System/Pg/Renesas/M16c/PG.INI",
              "[Toolchain]\r\nToolchain Version 1=5.40.00\r\nGenerate File Folder 1=NC30V540\r\n");
    dir.Write("prefix/drive_c/Renesas/Hew/README.txt", "old");
    fs::create_directories(prefix / "drive_c/Renesas/Hew/Tools/Renesas/nc30wa/v540/KD30");
    dir.Write("prefix/drive_c/Setup/KELPIN/readme.TXT", "new");
    dir.Write("prefix/drive_c/Setup/KELPIN/sub/b.txt", "b");
    fs::create_directories(prefix / "drive_c/Setup/KELPIN/empty");
    dir.Write("prefix/drive_c/Setup/NC30_PATCH/nc.txt", "nc");
    dir.Write("prefix/drive_c/Setup/PG_M16C_PATCH/V5_4/PG_VER/NC30V540/pg.txt", "pg");
    dir.Write("prefix/drive_c/Setup/SAMPLE_PROGRAM/ANY_VER/s.c", "int main;");
    fs::create_directories(prefix / "drive_c/Setup/SAMPLE_PROGRAM/M32C_V5_3/x");

    const fs::path output = dir.Path() / "output.txt";
    const std::string command = "cd '" + (prefix / "drive_c/Setup").string() +
                                "' && env -u BIN30 -u BIN308 WINEPREFIX='" + prefix.string() +
                                "' '" KELPIN_PROGRAM "' </dev/null >'" + output.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string hew = "C:\\renesas\\hew";
    EXPECT_EQ(
        Read(output),
        "Kelpin Installer\n"
        "Scaning R8C/M16C/M32C toolchain and debugger ....\n\n"
        "HEW ver.4.07.00 installed <" +
            hew +
            ">\n"
            "Default Workspace directory <C:\\WorkSpace\\>\n"
            "NC30WA ver.5.40.00 installed <" +
            nc30 +
            ">\n"
            "R8C/M16C FoUSB/Serial Debugger not installed!!\n"
            "KD30 Debugger installed <" +
            nc30 +
            "\\KD30>\n"
            "NC308WA not installed!!\n"
            "M32C FoUSB/Serial Debugger not installed!!\n"
            "KD3083 Debugger not installed!!\n"
            "\nStart copy files...\n"
            "<xcopy \"C:\\Setup\\KELPIN\\*.*\" \"" +
            hew +
            "\" /s/e/y/f/i>\n"
            "C:\\Setup\\KELPIN\\readme.TXT -> " +
            hew +
            "\\readme.TXT\n"
            "C:\\Setup\\KELPIN\\sub\\b.txt -> " +
            hew +
            "\\sub\\b.txt\n"
            "2 file(s) copied\n"
            "<xcopy \"C:\\Setup\\NC30_PATCH\\*.*\" \"" +
            nc30 +
            "\" /s/e/y/f/i>\n"
            "C:\\Setup\\NC30_PATCH\\nc.txt -> " +
            nc30 +
            "\\nc.txt\n"
            "1 file(s) copied\n"
            "<xcopy \"C:\\Setup\\PG_M16C_PATCH\\V5_4\\PG_VER\\*.*\" \"" +
            hew +
            "\\System\\Pg\\Renesas\\M16c\" /s/e/y/f/i>\n"
            "C:\\Setup\\PG_M16C_PATCH\\V5_4\\PG_VER\\NC30V540\\pg.txt -> " +
            hew +
            "\\System\\Pg\\Renesas\\M16c\\NC30V540\\pg.txt\n"
            "1 file(s) copied\n"
            "<xcopy \"C:\\Setup\\SAMPLE_PROGRAM\\ANY_VER\\*.*\" \"C:\\WorkSpace\" /s/e/y/f/i>\n"
            "C:\\Setup\\SAMPLE_PROGRAM\\ANY_VER\\s.c -> C:\\WorkSpace\\s.c\n"
            "1 file(s) copied\n"
            "Kelpinのインストールは終了しました!\n\a何かキーを押してください!!");

    const fs::path c = prefix / "drive_c";
    EXPECT_EQ(Read(c / "Renesas/Hew/README.txt"), "new");
    EXPECT_EQ(Read(c / "Renesas/Hew/sub/b.txt"), "b");
    EXPECT_TRUE(fs::is_directory(c / "Renesas/Hew/empty"));
    EXPECT_EQ(Read(c / "Renesas/Hew/Tools/Renesas/nc30wa/v540/nc.txt"), "nc");
    EXPECT_EQ(Read(c / "Renesas/Hew/System/Pg/Renesas/M16c/NC30V540/pg.txt"), "pg");
    EXPECT_EQ(Read(c / "WorkSpace/s.c"), "int main;");
    EXPECT_FALSE(fs::exists(c / "WorkSpace/x"));
}

// The program as started: the switch over the variable, the variable over the default.
TEST(WinePrefix, TheProgramSpeaksTheLanguageItIsGiven) {
    TempDir dir;
    const fs::path prefix = MakePrefix(dir);
    const fs::path output = dir.Path() / "output.txt";
    const auto run = [&](const std::string& variable, const std::string& args) {
        const std::string command = "cd '" + dir.Path().string() +
                                    "' && env -u BIN30 -u BIN308 BRAMBLET_LANG=" + variable +
                                    " WINEPREFIX='" + prefix.string() + "' '" KELPIN_PROGRAM "' " +
                                    args + " </dev/null >'" + output.string() + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return Read(output);
    };
    const std::string english =
        "Kelpin Installer\n\nHEW is not installed!\nNC30WA is not installed!\n"
        "R8C/M16C FoUSB/Serial Debugger is not installed!\nKD30 Debugger is not installed!\n"
        "NC308WA is not installed!\nM32C FoUSB/Serial Debugger is not installed!\n"
        "KD3083 Debugger is not installed!\n\nCopying files...\n"
        "Kelpin has finished installing!\n\aPress any key!";
    EXPECT_EQ(run("ja", "/LANG:en"), english);
    EXPECT_EQ(run("en", "extra /lang:fr"), english);
    const std::string japanese = run("en", "/lang:ja");
    EXPECT_TRUE(japanese.starts_with("Kelpin Installer\n\nHEW not installed!!\n")) << japanese;
    EXPECT_TRUE(japanese.ends_with("何かキーを押してください!!")) << japanese;
    EXPECT_EQ(run("", ""), japanese);
}

}  // namespace
}  // namespace kelpin
