// The windows' tables against the design's figures, written out here a second time on purpose:
// both windows build themselves from the tables and their tests check only that they did, so a
// wrong figure in a table would pass everywhere else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "writer/form/Layout.h"

namespace bramblet::form {
namespace {

struct Designed {
    const char* name;
    ControlKind kind;
    const char* text;
    int left, top, width, height;  // -1: not one of the design's figures
    int fontPixels;
};

template <std::size_t N>
void ExpectTable(const std::array<ControlLayout, N>& table, const std::vector<Designed>& design) {
    ASSERT_EQ(table.size(), design.size());
    for (std::size_t i = 0; i < design.size(); ++i) {
        const Designed& d = design[i];
        const ControlLayout& row = table[i];
        SCOPED_TRACE(d.name);
        EXPECT_STREQ(row.name, d.name);  // in the order of declaration
        EXPECT_EQ(row.kind, d.kind);
        EXPECT_STREQ(row.text, d.text);
        EXPECT_EQ(row.left, d.left);
        if (d.top >= 0) {
            EXPECT_EQ(row.top, d.top);
        }
        if (row.autoSize) continue;
        EXPECT_EQ(row.width, d.width);
        if (d.height >= 0) {
            EXPECT_EQ(row.height, d.height);
        }
        EXPECT_EQ(row.fontPixels, d.fontPixels);
    }
}

std::vector<std::string> Names(const auto& order) {
    return {order.begin(), order.end()};
}

TEST(LayoutTest, MainWindowAsDesigned) {
    EXPECT_STREQ(kForm1.caption, "<R8C/M16C Talvoro2>  Orvane");
    EXPECT_EQ(kForm1.width, 361);
    EXPECT_EQ(kForm1.height, 267);
    EXPECT_EQ(kForm1Left, 204);
    EXPECT_EQ(kForm1Top, 118);
    EXPECT_STREQ(kFontFamily, "ＭＳ Ｐゴシック");
    EXPECT_EQ(kFontPixels, 12);
    using enum ControlKind;
    ExpectTable(kForm1Controls,
                {
                    {"DriveComboBox1", DriveBox, "", 0, 0, 177, 18, 12},
                    {"DirectoryListBox1", FolderList, "", 0, 20, 177, 121, 12},
                    {"FileListBox1", FileList, "", 180, 0, 181, 141, 12},
                    {"Edit1", Edit, "", 68, 144, 285, 20, 12},
                    {"StatusBar1", StatusBar, "", 0, 248, 361, 19, 12},
                    {"ComboBox1", ComboBox, "COM1", 280, 188, 65, 20, 12},
                    {"Button1", Button, "フラッシュ書き込み実行", 88, 188, 137, 21, 12},
                    {"Label1", Label, "書込ファイル", 0, 148, 65, 12, 12},
                    {"ProgressBar1", ProgressBar, "", 0, 236, 361, 13, 12},
                    {"Label2", Label, "ポート", 244, 192, 28, 11, 11},
                    {"Label3", Label, "", 286, 220, 3, 9, 9},
                    {"Button2", Button, "消去", 184, 212, 41, 21, 11},
                    {"ComboBox2", ComboBox, "R8C", 8, 172, 57, 20, 12},
                    {"OpenDialog1", OpenDialog, "", 0, 0, 0, 0, 12},
                    {"Button3", Button, "ベリファイ", 88, 212, 81, 21, 12},
                    {"Label4", Label, "", 72, 168, 0, 0, 12},
                    {"CheckBox1", CheckBox, "ModePin", 8, 200, 73, 17, 12},
                    {"Label5", Label, "制御", 32, 216, 24, 12, 12},
                });
    EXPECT_TRUE(Control(kForm1Controls, "Label4").autoSize);
    EXPECT_EQ(Names(kForm1TabOrder),
              (std::vector<std::string>{"DriveComboBox1", "DirectoryListBox1", "FileListBox1",
                                        "Edit1", "Button1", "Button3", "Button2", "ComboBox1",
                                        "ComboBox2", "CheckBox1", "ProgressBar1"}));
}

TEST(LayoutTest, IdCodeDialogAsDesigned) {
    EXPECT_STREQ(kForm2.caption, "プロテクトID入力");
    EXPECT_EQ(kForm2.width, 325);
    EXPECT_EQ(kForm2.height, 100);
    EXPECT_EQ(kForm2OffsetX, 100);
    EXPECT_EQ(kForm2OffsetY, 100);
    using enum ControlKind;
    // The design gives no heights here, and the status bar only its place at the bottom.
    ExpectTable(kForm2Controls, {
                                    {"Label2", Label, "IDコード", 16, 28, 0, 0, 12},
                                    {"Edit1", Edit, "", 68, 24, 29, -1, 12},
                                    {"Edit2", Edit, "", 104, 24, 29, -1, 12},
                                    {"Edit3", Edit, "", 140, 24, 29, -1, 12},
                                    {"Edit4", Edit, "", 176, 24, 29, -1, 12},
                                    {"Edit5", Edit, "", 212, 24, 29, -1, 12},
                                    {"Edit6", Edit, "", 248, 24, 29, -1, 12},
                                    {"Edit7", Edit, "", 284, 24, 29, -1, 12},
                                    {"Button2", Button, ".IDファイル参照", 4, 52, 89, -1, 12},
                                    {"ComboBox1", ComboBox, "M16C", 100, 52, 57, -1, 12},
                                    {"Button1", Button, "OK", 168, 52, 77, -1, 12},
                                    {"Button3", Button, "Cancel", 252, 52, 65, -1, 12},
                                    {"StatusBar1", StatusBar, "", 0, -1, 325, -1, 12},
                                });
    for (const ControlLayout& row : kForm2Controls) {
        SCOPED_TRACE(row.name);
        const bool idField = row.kind == ControlKind::Edit;
        EXPECT_EQ(row.maxLength, idField ? 2 : 0);
        EXPECT_EQ(row.upperCase, idField);
    }
    // The status bar sits at the bottom of the client area.
    const ControlLayout& bar = Control(kForm2Controls, "StatusBar1");
    EXPECT_EQ(bar.top + bar.height, kForm2.height);
    EXPECT_EQ(Names(kForm2TabOrder),
              (std::vector<std::string>{"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6",
                                        "Edit7", "Button1", "Button2", "Button3", "ComboBox1"}));
}

}  // namespace
}  // namespace bramblet::form
