// The file formats read on systems without the Windows functions: INI files by the profile
// functions' rules, Wine's registry hives, and text-mode lines.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "installer/IniFile.h"
#include "installer/RegFile.h"
#include "installer/TextLines.h"

namespace kelpin {
namespace {

TEST(IniLookup, FollowsTheWindowsProfileRules) {
    const std::string ini =
        "\xEF\xBB\xBF; comment\r\n"
        "  [Toolchain]  \r\n"
        "Toolchain Version 1 =  5.30.00  \r\n"
        "TOOLCHAIN VERSION 1=second\r\n"
        "Quoted=\"  with blanks  \"\r\n"
        "Single='x'\r\n"
        "Unbalanced=\"x\r\n"
        "NoEquals\r\n"
        "[ Spaced ]\n"
        "Key=spaced\n"
        "[toolchain]\n"
        "Later=only in the second section\n"
        "[HEW 4.0 Core]\n"
        "Version=4.07\n";
    EXPECT_EQ(IniLookup(ini, "Toolchain", "Toolchain Version 1"), "5.30.00");
    EXPECT_EQ(IniLookup(ini, " toolchain ", "toolchain version 1 "), "5.30.00");
    EXPECT_EQ(IniLookup(ini, "Toolchain", "Quoted"), "  with blanks  ");
    EXPECT_EQ(IniLookup(ini, "Toolchain", "Single"), "x");
    EXPECT_EQ(IniLookup(ini, "Toolchain", "Unbalanced"), "\"x");
    EXPECT_EQ(IniLookup(ini, "Toolchain", "NoEquals"), "");
    EXPECT_EQ(IniLookup(ini, "Toolchain", "Later"), "");  // the first section of a name only
    // Blanks inside the brackets belong to the name, but the name asked for is trimmed.
    EXPECT_EQ(IniLookup(ini, " Spaced ", "Key"), "");
    EXPECT_EQ(IniLookup(ini, "HEW 4.0 Core", "Version"), "4.07");
    EXPECT_EQ(IniLookup(ini, "Missing", "Version"), "");
    EXPECT_EQ(IniLookup("[A]\nK=" + std::string(5000, 'v'), "A", "K"), std::string(2047, 'v'));
}

std::string Utf16Le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Wine and Windows write some INI files as UTF-16LE with a byte-order mark; the profile
// functions read them by the same rules.
TEST(IniLookup, ReadsUtf16AfterItsByteOrderMark) {
    const std::string ini = Utf16Le(
        u"; コメント\r\n[WorkspaceSettings_Values]\r\n"
        u"workspacesettings_value6 = \"C:\\ワーク\\😀\" \r\n"
        u"Lone=a\xD800"
        u"b\r\n"
        u"[Toolchain]\nToolchain Version 1=5.30.00\n");
    EXPECT_EQ(IniLookup(ini, "WorkspaceSettings_Values", "WorkspaceSettings_Value6"),
              "C:\\ワーク\\😀");
    EXPECT_EQ(IniLookup(ini, "WorkspaceSettings_Values", "Lone"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(IniLookup(ini, "toolchain", "Toolchain Version 1"), "5.30.00");
    EXPECT_EQ(IniLookup(ini + "\x41", "Toolchain", "Toolchain Version 1"), "5.30.00");  // odd
    EXPECT_EQ(IniLookup(ini, "Toolchain", "Missing"), "");
    // The 2048-byte result holds whole characters only: 682 of three bytes each.
    std::u16string longValue = u"[A]\nK=";
    longValue.append(700, u'ル');
    EXPECT_EQ(IniLookup(Utf16Le(longValue), "A", "K").size(), 682u * 3);
}

TEST(RegDefaultValue, ReadsWineHiveText) {
    const std::string hive =
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to \\\\Machine\n\n"
        "[Software\\\\Classes\\\\HEW_Workspace\\\\DefaultIcon] 1700000000\n"
        "#time=1da1b2c3d4e5f60\n"
        "\"Other\"=\"not this\"\n"
        "@=\"C:\\\\Program Files\\\\\\x30eb\\x30cd\\\"q\\\".ico,1\"\n\n"
        "[Software\\\\Classes\\\\Expand\\\\DefaultIcon] 1700000000\n"
        "@=str(2):\"%ProgramFiles%\\\\x\"\n"
        "[Software\\\\Classes\\\\Dword\\\\DefaultIcon] 1700000000\n"
        "@=dword:00000001\n"
        "[Software\\\\Classes\\\\NoDefault\\\\DefaultIcon] 1700000000\n"
        "\"Name\"=\"x\"\n";
    EXPECT_EQ(RegDefaultValue(hive, "software\\classes\\hew_workspace\\defaulticon"),
              "C:\\Program Files\\ルネ\"q\".ico,1");
    EXPECT_EQ(RegDefaultValue(hive, "Software\\Classes\\Expand\\DefaultIcon"), "%ProgramFiles%\\x");
    EXPECT_EQ(RegDefaultValue(hive, "Software\\Classes\\Dword\\DefaultIcon"), "");
    EXPECT_EQ(RegDefaultValue(hive, "Software\\Classes\\NoDefault\\DefaultIcon"), "");
    EXPECT_EQ(RegDefaultValue(hive, "Software\\Classes\\Missing"), std::nullopt);
    EXPECT_EQ(RegDefaultValue("[K]\n@=\"\\xd83d\\xde00 \\x41\\101\"\n", "K"), "😀 AA");
    EXPECT_EQ(RegDefaultValue("[K]\n@=\"unterminated\n", "K"), "");
}

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    ForEachTextLine(in, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(TextLines, ReadsAsTheWindowsTextMode) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\n\nc"), (V{"a", "b", "", "c"}));
    EXPECT_EQ(Lines("a\rb\r\n"), (V{"a\rb"}));
    EXPECT_EQ(Lines("a\nb\x1A"
                    "c\nd\n"),
              (V{"a", "b"}));
    EXPECT_EQ(Lines(""), V{});
    EXPECT_EQ(Lines(std::string("x\0y\n", 4)), V{std::string("x\0y", 3)});
}

}  // namespace
}  // namespace kelpin
