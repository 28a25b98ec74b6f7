// The installer's run over the fake platform: what it prints and what it copies where.
#include <gtest/gtest.h>

#include "installer/Discovery.h"
#include "installer/Kelpin.h"
#include "tests/installer/FakePlatform.h"

namespace kelpin {
namespace {

using testing::FakePlatform;

const std::string kIconKey = "\\HEW_Workspace\\DefaultIcon";
const std::string kHew = "C:\\Renesas\\Hew";
// The part of the DefaultIcon value below the HEW folder: 21 characters.
const std::string kIconFile = "\\System\\HewWksp.ico,1";
const std::string kNc30 = "C:\\Renesas\\Hew\\Tools\\Renesas\\nc30wa\\v540";
const std::string kNc308 = "C:\\Renesas\\Hew\\Tools\\Renesas\\nc308wa\\v520";
const std::string kEnd =
    "Kelpinのインストールは終了しました!\n\a"
    "何かキーを押してください!!";

std::string Tool(const std::string& name, const std::string& version, const std::string& path) {
    return "\"" + name + "\" \"" + version + "\" \"Renesas\" \"4\" \"target\" \"" + path + "\"\n";
}

void InstallHew(FakePlatform& fake, const std::string& toolsDb) {
    fake.classesRoot[kIconKey] = kHew + kIconFile;
    fake.files[kHew + "\\toolsdb.hdb"] = toolsDb;
    fake.files[kHew + "\\AUM.dat"] = "[HEW 4.0 Core]\r\nVersion=4.07.00\r\n";
    fake.files[kHew + "\\HEW2.INI"] =
        "[WorkspaceSettings_Values]\r\nWorkspaceSettings_Value6=C:\\WorkSpace\r\n";
}

void AddPgIni(FakePlatform& fake, const std::string& family, const std::string& entries) {
    fake.files[kHew + "\\System\\Pg\\Renesas\\" + family + "\\PG.ini"] = "[Toolchain]\n" + entries;
}

// Everything installed and every patch folder present.
FakePlatform FullInstallation() {
    FakePlatform fake;
    InstallHew(fake, "[TOOLS]\n" + Tool("Renesas M16C Standard Toolchain", "5.40.00", kNc30) +
                         Tool("M16C R8C FoUSB", "1.03.00", "C:\\Renesas\\FoUSB") +
                         Tool("Renesas M32C Standard Toolchain", "5.20.01", kNc308) +
                         Tool("M32C FoUSB", "1.01.00", "C:\\Renesas\\FoUSB32"));
    AddPgIni(fake, "M16c", "Toolchain Version 1=5.40.00\nGenerate File Folder 1=NC30V540\n");
    AddPgIni(fake, "M32c", "Toolchain Version 1=5.20.01\nGenerate File Folder 1=NC308520\n");
    fake.AddFolder(kNc30 + "\\KD30");
    fake.AddFolder("C:\\Renesas\\MTOOL\\KD3083");
    for (const char* folder :
         {"KELPIN", "HEW_KD30_PATCH", "KD30_PATCH", "NC30_PATCH", "PG_M16C_PATCH\\V5_4\\PG",
          "PG_M16C_PATCH\\V5_4\\PG_VER", "PG_M32C_PATCH\\V5_3\\PG", "PG_M32C_PATCH\\V5_3\\PG_VER",
          "SAMPLE_PROGRAM\\ANY_VER", "SAMPLE_PROGRAM\\M16C_V5_4", "SAMPLE_PROGRAM\\M32C_V5_3",
          "SAMPLE_PROGRAM\\M32C_V5_4"}) {
        fake.AddFolder("C:\\Setup\\" + std::string(folder));
    }
    return fake;
}

std::string Copy(const std::string& source, const std::string& destination) {
    return "<xcopy \"C:\\Setup\\" + source + "\\*.*\" \"" + destination + "\" /s/e/y/f/i>\n";
}

// The output from "Start copy files..." on.
std::string Deployment(const std::string& output) {
    return output.substr(output.find("\nStart copy files...\n"));
}

TEST(KelpinRun, FullInstallationReportsEveryToolAndCopiesEveryGroup) {
    FakePlatform fake = FullInstallation();
    EXPECT_EQ(RunKelpin(fake), 0);
    EXPECT_EQ(fake.output,
              "Kelpin Installer\n"
              "Scaning R8C/M16C/M32C toolchain and debugger ....\n"
              "\n"
              "HEW ver.4.07.00 installed <C:\\Renesas\\Hew>\n"
              "Default Workspace directory <C:\\WorkSpace>\n"
              "NC30WA ver.5.40.00 installed <" +
                  kNc30 +
                  ">\n"
                  "R8C/M16C FoUSB/Serial Debugger ver.1.03.00 installed <C:\\Renesas\\FoUSB>\n"
                  "KD30 Debugger installed <" +
                  kNc30 +
                  "\\KD30>\n"
                  "NC308WA ver.5.20.01 installed <" +
                  kNc308 +
                  ">\n"
                  "M32C FoUSB/Serial Debugger ver.1.01.00 installed <C:\\Renesas\\FoUSB32>\n"
                  "KD3083 Debugger installed <C:\\Renesas\\MTOOL\\KD3083>\n"
                  "\nStart copy files...\n" +
                  Copy("KELPIN", kHew) + Copy("HEW_KD30_PATCH", "C:\\Renesas\\FoUSB") +
                  Copy("KD30_PATCH", kNc30 + "\\KD30") + Copy("NC30_PATCH", kNc30) +
                  Copy("PG_M16C_PATCH\\V5_4\\PG", kHew + "\\System\\Pg") +
                  Copy("PG_M16C_PATCH\\V5_4\\PG_VER", kHew + "\\System\\Pg\\Renesas\\M16c") +
                  Copy("PG_M32C_PATCH\\V5_3\\PG", kHew + "\\System\\Pg") +
                  Copy("PG_M32C_PATCH\\V5_3\\PG_VER", kHew + "\\System\\Pg\\Renesas\\M32c") +
                  Copy("SAMPLE_PROGRAM\\ANY_VER", "C:\\WorkSpace") +
                  Copy("SAMPLE_PROGRAM\\M16C_V5_4", "C:\\WorkSpace") +
                  Copy("SAMPLE_PROGRAM\\M32C_V5_3", "C:\\WorkSpace") + kEnd);
    ASSERT_EQ(fake.copies.size(), 11u);
    EXPECT_EQ(fake.copies[0].source, "C:\\Setup\\KELPIN");
    EXPECT_EQ(fake.copies[0].destination, kHew);
    EXPECT_EQ(fake.copies[0].commandLine,
              "xcopy \"C:\\Setup\\KELPIN\\*.*\" \"" + kHew + "\" /s/e/y/f/i");
    EXPECT_EQ(fake.keyReads, 1);
}

TEST(KelpinRun, NothingInstalledCopiesNothingEvenWithEveryPatchFolder) {
    FakePlatform fake = FullInstallation();
    fake.classesRoot.clear();
    fake.directories.erase(kNc30 + "\\KD30");
    EXPECT_EQ(RunKelpin(fake), 0);
    EXPECT_EQ(fake.output,
              "Kelpin Installer\n\nHEW not installed!!\nNC30WA not installed!!\n"
              "R8C/M16C FoUSB/Serial Debugger not installed!!\nKD30 Debugger not installed!!\n"
              "NC308WA not installed!!\nM32C FoUSB/Serial Debugger not installed!!\n"
              "KD3083 Debugger not installed!!\n\nStart copy files...\n" +
                  kEnd);
    EXPECT_TRUE(fake.copies.empty());
    EXPECT_EQ(fake.keyReads, 1);
}

TEST(KelpinRun, DefaultIconLengthDecidesTheHewFolder) {
    FakePlatform fake;
    fake.classesRoot[kIconKey] = "D" + kIconFile;  // 22 characters
    RunKelpin(fake);
    EXPECT_NE(fake.output.find("Scaning R8C/M16C/M32C toolchain and debugger ....\n\n"
                               "HEW ver. installed <D>\nDefault Workspace directory <>\n"),
              std::string::npos);

    FakePlatform shorter;
    shorter.classesRoot[kIconKey] = kIconFile;  // 21 characters
    RunKelpin(shorter);
    EXPECT_EQ(shorter.output.find("Scaning"), std::string::npos);
    EXPECT_NE(shorter.output.find("\nHEW not installed!!\n"), std::string::npos);
}

TEST(KelpinRun, SourceDirectoryAtADriveRootAndElsewhere) {
    FakePlatform root = FullInstallation();
    root.currentDirectory = "C:\\";
    root.AddFolder("C:\\KELPIN");
    RunKelpin(root);
    ASSERT_FALSE(root.copies.empty());
    EXPECT_EQ(root.copies[0].commandLine, "xcopy \"C:\\KELPIN\\*.*\" \"" + kHew + "\" /s/e/y/f/i");

    FakePlatform trailing = FullInstallation();
    trailing.currentDirectory = "D:\\Setup\\";
    trailing.AddFolder("D:\\Setup\\\\KELPIN");
    RunKelpin(trailing);
    ASSERT_FALSE(trailing.copies.empty());
    EXPECT_EQ(trailing.copies[0].source, "D:\\Setup\\\\KELPIN");
}

TEST(KelpinRun, ACurrentDirectoryTooLongForTheSourceDirectoryCopiesNothing) {
    FakePlatform fake = FullInstallation();
    const std::string longest = "C:\\" + std::string(196, 'k');  // 199 characters
    fake.currentDirectory = longest;
    fake.AddFolder(longest + "\\KELPIN");
    RunKelpin(fake);
    ASSERT_EQ(fake.copies.size(), 1u);
    EXPECT_EQ(fake.copies[0].source, longest + "\\KELPIN");

    // Not delivered, the source directory stays empty; "\KELPIN" would then be a folder at
    // the root of the drive, not the installer's.
    fake.currentDirectory = longest + "k";
    fake.AddFolder("\\KELPIN");
    fake.copies.clear();
    fake.output.clear();
    RunKelpin(fake);
    EXPECT_TRUE(fake.copies.empty());
    EXPECT_EQ(Deployment(fake.output), "\nStart copy files...\n" + kEnd);
}

TEST(KelpinRun, CompilerFoundThroughItsEnvironmentVariable) {
    FakePlatform fake;
    fake.environment["BIN30"] = "C:\\Renesas\\nc30wa\\v530\\bin";
    fake.files["C:\\Renesas\\nc30wa\\v530\\nc30wa.hrf"] = "[TOOL]\nVersion=5.30.02\n";
    fake.AddFolder("C:\\Renesas\\MTOOL\\KD30");
    fake.environment["BIN308"] = "nc308";  // no backslash: the empty folder
    fake.files["\\nc308wa.hrf"] = "[tool]\nversion = \"5.41\"\n";
    RunKelpin(fake);
    EXPECT_EQ(fake.output.substr(0, fake.output.find("\nStart")),
              "Kelpin Installer\n\n"
              "found NC30WA <5.30.02> <C:\\Renesas\\nc30wa\\v530>\n"
              "found NC308WA <5.41> <>\n"
              "HEW not installed!!\n"
              "NC30WA ver.5.30.02 installed <C:\\Renesas\\nc30wa\\v530>\n"
              "R8C/M16C FoUSB/Serial Debugger not installed!!\n"
              "KD30 Debugger installed <C:\\Renesas\\MTOOL\\KD30>\n"
              "NC308WA ver.5.41 installed <>\n"
              "M32C FoUSB/Serial Debugger not installed!!\n"
              "KD3083 Debugger not installed!!\n");
}

TEST(KelpinRun, EnvironmentVariableEdgeCases) {
    FakePlatform listed = FullInstallation();
    listed.environment["BIN30"] = "C:\\Other\\bin";
    RunKelpin(listed);
    EXPECT_EQ(listed.output.find("found NC30WA"), std::string::npos);

    FakePlatform trailing;
    trailing.environment["BIN30"] = "C:\\nc30\\";
    RunKelpin(trailing);
    EXPECT_NE(trailing.output.find("found NC30WA <> <C:\\nc30>\n"), std::string::npos);

    // Longer than the 80-byte work buffer: taken as not set rather than cut to another folder.
    FakePlatform overlong;
    overlong.environment["BIN30"] = "C:\\" + std::string(73, 'n') + "\\bin";
    RunKelpin(overlong);
    EXPECT_EQ(overlong.output.find("found NC30WA"), std::string::npos);
    overlong.environment["BIN30"] = "C:\\" + std::string(72, 'n') + "\\bin";
    RunKelpin(overlong);
    EXPECT_NE(overlong.output.find("found NC30WA <> <C:\\" + std::string(72, 'n') + ">\n"),
              std::string::npos);
}

TEST(KelpinRun, DebuggerUnderTheCompilerWinsOverTheCommonFolder) {
    FakePlatform fake = FullInstallation();
    fake.AddFolder("C:\\Renesas\\MTOOL\\KD30");
    fake.AddFolder(kNc308 + "\\KD3083");
    RunKelpin(fake);
    EXPECT_NE(fake.output.find("KD30 Debugger installed <" + kNc30 + "\\KD30>\n"),
              std::string::npos);
    EXPECT_NE(fake.output.find("KD3083 Debugger installed <" + kNc308 + "\\KD3083>\n"),
              std::string::npos);
}

TEST(KelpinRun, ProjectGeneratorFolderLookup) {
    FakePlatform fake = FullInstallation();
    AddPgIni(fake, "M16c",
             "Toolchain Version 1=5.30.00\nGenerate File Folder 1=A\n"
             "toolchain version 2 = 5.40.00\nGenerate File Folder 2=\"Second\"\n"
             "Toolchain Version 3=5.40.00\nGenerate File Folder 3=Third\n");
    ToolInventory inventory;
    DiscoverTools(fake, inventory);
    EXPECT_TRUE(inventory.pgM16cFound);
    EXPECT_EQ(inventory.pgM16c.path.View(), kHew + "\\System\\Pg\\Renesas\\M16c\\Second");

    // No entry matches: no folder, and group 5 is skipped without a message.
    AddPgIni(fake, "M16c", "Toolchain Version 1=5.30.00\nGenerate File Folder 1=A\n");
    fake.output.clear();
    RunKelpin(fake);
    EXPECT_EQ(fake.output.find("PG_M16C_PATCH"), std::string::npos);
    EXPECT_EQ(fake.output.find("サポート"), std::string::npos);

    // An empty version equals the first missing Toolchain Version entry.
    FakePlatform empty = FullInstallation();
    empty.files[kHew + "\\toolsdb.hdb"] =
        "[TOOLS]\n" + Tool("Renesas M16C Standard Toolchain", "", kNc30);
    AddPgIni(empty, "M16c", "Toolchain Version 1=5.30.00\nGenerate File Folder 2=NoVersion\n");
    ToolInventory emptyInventory;
    DiscoverTools(empty, emptyInventory);
    EXPECT_EQ(emptyInventory.pgM16c.path.View(), kHew + "\\System\\Pg\\Renesas\\M16c\\NoVersion");
    EXPECT_FALSE(emptyInventory.pgM32cFound);  // NC308WA not listed: no M32C lookup
}

TEST(KelpinRun, ProjectGeneratorVariants) {
    struct Case {
        std::string nc30, nc308;
        std::vector<std::string> missing;
        std::string expected;
    };
    const std::string pg16 = Copy("PG_M16C_PATCH\\V5_4\\PG", kHew + "\\System\\Pg");
    const std::string ver16 =
        Copy("PG_M16C_PATCH\\V5_4\\PG_VER", kHew + "\\System\\Pg\\Renesas\\M16c");
    const std::string pg32 = Copy("PG_M32C_PATCH\\V5_3\\PG", kHew + "\\System\\Pg");
    const std::string ver32 =
        Copy("PG_M32C_PATCH\\V5_3\\PG_VER", kHew + "\\System\\Pg\\Renesas\\M32c");
    const std::string no16 = "このNC30WAのバージョンはサポートされません!!\n";
    const std::string no32 = "このNC308WAのバージョンはサポートされません!!\n";
    const Case cases[] = {
        {"5.40.00", "5.20.01", {}, pg16 + ver16 + pg32 + ver32},
        {"5.20.00", "5.30.00", {}, no16 + pg32 + ver32},  // 5.2 is accepted for M32C only
        {"5.30.00", "5.40.00", {}, no16 + no32},          // V5_3 of M16C and V5_4 of M32C absent
        {"5.40.00", "5.3", {"PG_M16C_PATCH\\V5_4\\PG"}, ver16 + pg32 + ver32},
        {"5.4", "5.", {"PG_M32C_PATCH\\V5_3\\PG_VER"}, pg16 + ver16 + no32},
    };
    for (const Case& c : cases) {
        FakePlatform fake = FullInstallation();
        InstallHew(fake, "[TOOLS]\n" + Tool("Renesas M16C Standard Toolchain", c.nc30, kNc30) +
                             Tool("Renesas M32C Standard Toolchain", c.nc308, kNc308));
        AddPgIni(fake, "M16c",
                 "Toolchain Version 1=" + c.nc30 + "\nGenerate File Folder 1=NC30V540\n");
        AddPgIni(fake, "M32c",
                 "Toolchain Version 1=" + c.nc308 + "\nGenerate File Folder 1=NC308520\n");
        for (const std::string& folder : c.missing) fake.directories.erase("C:\\Setup\\" + folder);
        RunKelpin(fake);
        const std::string deployment = Deployment(fake.output);
        const std::size_t from = deployment.find(Copy("NC30_PATCH", kNc30));
        const std::size_t to = deployment.find("<xcopy \"C:\\Setup\\SAMPLE_PROGRAM");
        ASSERT_NE(from, std::string::npos) << c.nc30;
        const std::size_t start = from + Copy("NC30_PATCH", kNc30).size();
        EXPECT_EQ(deployment.substr(start, to - start), c.expected) << c.nc30 << " " << c.nc308;
    }
}

TEST(KelpinRun, SamplePrograms) {
    FakePlatform fake = FullInstallation();
    for (const char* folder : {"ANY_VER", "M16C_V5_4", "M32C_V5_3", "M32C_V5_4"}) {
        fake.directories.erase("C:\\Setup\\SAMPLE_PROGRAM\\" + std::string(folder));
    }
    fake.AddFolder("C:\\Setup\\SAMPLE_PROGRAM\\M16C_V5_3");
    RunKelpin(fake);
    EXPECT_EQ(fake.output.find("SAMPLE_PROGRAM"), std::string::npos);  // 5.40 wants M16C_V5_4

    // Without a workspace directory the samples would land in the current directory.
    FakePlatform noWorkspace = FullInstallation();
    noWorkspace.files.erase(kHew + "\\HEW2.INI");
    RunKelpin(noWorkspace);
    EXPECT_NE(noWorkspace.output.find("Default Workspace directory <>\n"), std::string::npos);
    EXPECT_EQ(noWorkspace.output.find("SAMPLE_PROGRAM"), std::string::npos);
}

TEST(KelpinRun, AToolWithAnEmptyPathGetsNoCopy) {
    FakePlatform fake = FullInstallation();
    InstallHew(fake, "[TOOLS]\n" + Tool("Renesas M16C Standard Toolchain", "5.40.00", "") +
                         Tool("M16C R8C FoUSB", "1.03.00", ""));
    RunKelpin(fake);
    EXPECT_NE(fake.output.find("Start copy files"), std::string::npos);
    EXPECT_EQ(fake.output.find("HEW_KD30_PATCH"), std::string::npos);
    EXPECT_EQ(fake.output.find("NC30_PATCH"), std::string::npos);
    EXPECT_EQ(fake.output.find("\"\" /s/e/y/f/i"), std::string::npos);
    EXPECT_NE(fake.output.find(Copy("KELPIN", kHew)), std::string::npos);
}

// cmd would read a quote as the end of the name and replace %NAME% even between quotes: such a
// copy is shown, refused with a message, and nothing of it runs; the other copies still do.
TEST(KelpinRun, APathTheInterpreterWouldChangeIsShownButNotCopied) {
    const std::string noQuote =
        "パスに\"か制御文字が含まれるため、このフォルダはコピーしません!!\n";
    const std::string noPercent = "パスに%が含まれるため、このフォルダはコピーしません!!\n";
    const std::pair<std::string, std::string> workspaces[] = {
        {"C:\\W\" & del C:\\x & \"", noQuote},
        {"C:\\Tools\\%PATH%\\x", noPercent},
        {"C:\\50%off%", noPercent},
        // One alone cannot expand, but the source path beside it may hold another.
        {"C:\\100%", noPercent},
    };
    for (const auto& [workspace, refusal] : workspaces) {
        FakePlatform fake = FullInstallation();
        fake.files[kHew + "\\HEW2.INI"] =
            "[WorkspaceSettings_Values]\nWorkspaceSettings_Value6=" + workspace + "\n";
        RunKelpin(fake);
        const std::string deployment = Deployment(fake.output);
        const std::string samples = Copy("SAMPLE_PROGRAM\\ANY_VER", workspace) + refusal +
                                    Copy("SAMPLE_PROGRAM\\M16C_V5_4", workspace) + refusal +
                                    Copy("SAMPLE_PROGRAM\\M32C_V5_3", workspace) + refusal + kEnd;
        ASSERT_GE(deployment.size(), samples.size()) << workspace;
        EXPECT_EQ(deployment.substr(deployment.size() - samples.size()), samples) << workspace;
        ASSERT_EQ(fake.copies.size(), 8u) << workspace;
        EXPECT_EQ(fake.copies.back().destination, kHew + "\\System\\Pg\\Renesas\\M32c");
    }

    // Started from a folder with percent signs, every copy would read from another folder.
    FakePlatform fake = FullInstallation();
    fake.currentDirectory = "C:\\50%OS%off";
    fake.AddFolder("C:\\50%OS%off\\KELPIN");
    RunKelpin(fake);
    EXPECT_EQ(Deployment(fake.output),
              "\nStart copy files...\n"
              "<xcopy \"C:\\50%OS%off\\KELPIN\\*.*\" \"C:\\Renesas\\Hew\" /s/e/y/f/i>\n" +
                  noPercent + kEnd);
    EXPECT_TRUE(fake.copies.empty());
}

// By the Windows command-line rules a backslash before the closing quote escapes it, and the
// switches would become part of the path: the trailing backslash goes, a drive root becomes
// "X:\.".
TEST(KelpinRun, ADestinationEndingInABackslashKeepsItsClosingQuote) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\WorkSpace\\", "C:\\WorkSpace"},
        {"C:\\WorkSpace\\\\", "C:\\WorkSpace"},
        {"C:\\", "C:\\."},
        {"d:\\\\", "d:\\."},
        {"\\", "\\."},
        {"C:", "C:"},  // the drive's current folder, not its root
        {"\\\\server\\share\\", "\\\\server\\share"},
    };
    for (const auto& [workspace, quoted] : cases) {
        FakePlatform fake = FullInstallation();
        fake.files[kHew + "\\HEW2.INI"] =
            "[WorkspaceSettings_Values]\nWorkspaceSettings_Value6=" + workspace + "\n";
        RunKelpin(fake);
        EXPECT_NE(fake.output.find(Copy("SAMPLE_PROGRAM\\ANY_VER", quoted)), std::string::npos)
            << workspace << "\n"
            << fake.output;
        ASSERT_EQ(fake.copies.size(), 11u);
        EXPECT_EQ(fake.copies.back().destination, workspace);
    }

    // A project-generator folder name of nine characters leaves a backslash after the cut.
    FakePlatform cut = FullInstallation();
    AddPgIni(cut, "M16c", "Toolchain Version 1=5.40.00\nGenerate File Folder 1=NC30V540X\n");
    RunKelpin(cut);
    EXPECT_NE(
        cut.output.find(Copy("PG_M16C_PATCH\\V5_4\\PG_VER", kHew + "\\System\\Pg\\Renesas\\M16c")),
        std::string::npos)
        << cut.output;
}

TEST(KelpinRun, TextsLongerThanTheirFields) {
    FakePlatform fake = FullInstallation();
    fake.files[kHew + "\\AUM.dat"] = "[HEW 4.0 Core]\nVersion=" + std::string(3000, 'v') + "\n";
    fake.files[kHew + "\\HEW2.INI"] =
        "[WorkspaceSettings_Values]\nWorkspaceSettings_Value6=C:\\" + std::string(136, 'w') + "\n";
    AddPgIni(fake, "M16c",
             "Toolchain Version 1=5.40.00\nGenerate File Folder 1=" + std::string(130, 'g') + "\n");
    ToolInventory inventory;
    DiscoverTools(fake, inventory);
    EXPECT_EQ(inventory.hew.version.View(), std::string(19, 'v'));
    EXPECT_EQ(inventory.workspace.path.View(), "C:\\" + std::string(136, 'w'));
    EXPECT_FALSE(inventory.pgM16cFound);  // a cut folder name would name another folder

    fake.files[kHew + "\\HEW2.INI"] =
        "[WorkspaceSettings_Values]\nWorkspaceSettings_Value6=C:\\" + std::string(137, 'w') + "\n";
    ToolInventory longer;
    DiscoverTools(fake, longer);
    EXPECT_TRUE(longer.workspace.path.Empty());

    // The HEW folder passes through an 80-byte buffer.
    FakePlatform hew;
    hew.classesRoot[kIconKey] = "C:\\" + std::string(77, 'h') + kIconFile;
    RunKelpin(hew);
    EXPECT_NE(hew.output.find("HEW not installed!!\n"), std::string::npos);
    hew.classesRoot[kIconKey] = "C:\\" + std::string(76, 'h') + kIconFile;
    hew.output.clear();
    RunKelpin(hew);
    EXPECT_NE(hew.output.find("installed <C:\\" + std::string(76, 'h') + ">\n"), std::string::npos);
}

// Every text the system hands over, far longer than any field or buffer: the sanitizer run
// checks that nothing is written out of bounds.
TEST(KelpinRun, EveryInputFarLongerThanItsBound) {
    const std::string huge(20000, 'x');
    FakePlatform fake = FullInstallation();
    fake.currentDirectory = "C:\\" + huge;
    fake.classesRoot[kIconKey] = "C:\\" + huge + kIconFile;
    RunKelpin(fake);
    EXPECT_NE(fake.output.find("\nHEW not installed!!\n"), std::string::npos);

    FakePlatform tools = FullInstallation();
    const std::string field = "\"" + huge + "\" ";
    tools.files[kHew + "\\toolsdb.hdb"] =
        "[TOOLS]\n\"Renesas M16C Standard Toolchain\" " + field + field + field + field + field +
        "\n" + Tool("Renesas M32C Standard Toolchain", huge, "C:\\" + huge) + huge + "\n";
    tools.files[kHew + "\\AUM.dat"] = "[HEW 4.0 Core]\nVersion=" + huge + "\n";
    tools.files[kHew + "\\HEW2.INI"] =
        "[WorkspaceSettings_Values]\nWorkspaceSettings_Value6=" + huge;
    tools.environment["BIN30"] = "C:\\" + huge + "\\bin";
    tools.environment["BIN308"] = "C:\\" + huge + "\\bin";
    EXPECT_EQ(RunKelpin(tools), 0);
    EXPECT_NE(tools.output.find("HEW ver." + std::string(19, 'x') +
                                " installed <C:\\Renesas\\Hew>\n"
                                "Default Workspace directory <>\nNC30WA not installed!!\n"),
              std::string::npos);
    EXPECT_EQ(tools.copies.size(), 1u);  // only \\KELPIN: nothing else has a destination
}

}  // namespace
}  // namespace kelpin
