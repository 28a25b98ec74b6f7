#pragma once
// The two windows as data: every control with its name, kind, text, place and font, the tab order
// and the captions. The Qt window and the Win32 window build themselves from these tables, so the
// two cannot drift apart.
#include <array>
#include <string_view>

#include "text/Catalogue.h"

namespace bramblet::form {

using text::Tx;

// The captions as the design shows them; the catalogue holds each in every language.
constexpr const char* Ja(Tx key) {
    return text::Say(key, text::Lang::Ja);
}

inline constexpr char kApplicationTitle[] = "Bramblet2";  // the taskbar and every error box
inline constexpr char kFontFamily[] = "ＭＳ Ｐゴシック";
inline constexpr int kFontPixels = 12;

enum class ControlKind {
    DriveBox,    // the drive selector of the file browser
    FolderList,  // its folder list
    FileList,    // its file list
    Edit,
    StatusBar,  // one simple text panel
    ComboBox,   // editable: typed text stays as typed
    Button,
    Label,
    ProgressBar,  // 0 to 100
    CheckBox,
    OpenDialog,  // not a visible control
};

struct ControlLayout {
    const char* name;
    ControlKind kind;
    const char* text;  // caption, or the first text of an edit or a combo box
    int left, top, width, height;
    int fontPixels;
    // A label that sizes itself to its text has no width and height of its own.
    bool autoSize = false;
    int maxLength = 0;       // of an edit; 0: no limit
    bool upperCase = false;  // an edit that turns typed letters into upper case
};

struct FormSpec {
    const char* caption;
    int width, height;  // the client area
};

// TForm1, the main window, in the order of its declaration.
inline constexpr FormSpec kForm1{Ja(Tx::Form1Caption), 361, 267};
// Where the window opens when no settings say otherwise, in screen pixels.
inline constexpr int kForm1Left = 204;
inline constexpr int kForm1Top = 118;

inline constexpr std::array<ControlLayout, 18> kForm1Controls = {{
    {"DriveComboBox1", ControlKind::DriveBox, "", 0, 0, 177, 18, 12},
    {"DirectoryListBox1", ControlKind::FolderList, "", 0, 20, 177, 121, 12},
    {"FileListBox1", ControlKind::FileList, "", 180, 0, 181, 141, 12},
    {"Edit1", ControlKind::Edit, "", 68, 144, 285, 20, 12},
    {"StatusBar1", ControlKind::StatusBar, "", 0, 248, 361, 19, 12},
    {"ComboBox1", ControlKind::ComboBox, "COM1", 280, 188, 65, 20, 12},
    {"Button1", ControlKind::Button, Ja(Tx::Form1Button1), 88, 188, 137, 21, 12},
    {"Label1", ControlKind::Label, Ja(Tx::Form1Label1), 0, 148, 65, 12, 12},
    {"ProgressBar1", ControlKind::ProgressBar, "", 0, 236, 361, 13, 12},
    {"Label2", ControlKind::Label, Ja(Tx::Form1Label2), 244, 192, 28, 11, 11},
    {"Label3", ControlKind::Label, "", 286, 220, 3, 9, 9},
    {"Button2", ControlKind::Button, Ja(Tx::Form1Button2), 184, 212, 41, 21, 11},
    {"ComboBox2", ControlKind::ComboBox, "R8C", 8, 172, 57, 20, 12},
    {"OpenDialog1", ControlKind::OpenDialog, "", 0, 0, 0, 0, 12},
    {"Button3", ControlKind::Button, Ja(Tx::Form1Button3), 88, 212, 81, 21, 12},
    {"Label4", ControlKind::Label, "", 72, 168, 0, 0, 12, true},
    {"CheckBox1", ControlKind::CheckBox, Ja(Tx::Form1CheckBox1), 8, 200, 73, 17, 12},
    {"Label5", ControlKind::Label, Ja(Tx::Form1Label5), 32, 216, 24, 12, 12},
}};

inline constexpr std::array<std::string_view, 11> kForm1TabOrder = {
    "DriveComboBox1", "DirectoryListBox1", "FileListBox1", "Edit1",     "Button1",     "Button3",
    "Button2",        "ComboBox1",         "ComboBox2",    "CheckBox1", "ProgressBar1"};

// TForm2, the ID code dialog.
inline constexpr FormSpec kForm2{Ja(Tx::Form2Caption), 325, 100};

inline constexpr std::array<ControlLayout, 13> kForm2Controls = {{
    {"Label2", ControlKind::Label, Ja(Tx::Form2Label2), 16, 28, 0, 0, 12, true},
    {"Edit1", ControlKind::Edit, "", 68, 24, 29, 20, 12, false, 2, true},
    {"Edit2", ControlKind::Edit, "", 104, 24, 29, 20, 12, false, 2, true},
    {"Edit3", ControlKind::Edit, "", 140, 24, 29, 20, 12, false, 2, true},
    {"Edit4", ControlKind::Edit, "", 176, 24, 29, 20, 12, false, 2, true},
    {"Edit5", ControlKind::Edit, "", 212, 24, 29, 20, 12, false, 2, true},
    {"Edit6", ControlKind::Edit, "", 248, 24, 29, 20, 12, false, 2, true},
    {"Edit7", ControlKind::Edit, "", 284, 24, 29, 20, 12, false, 2, true},
    {"Button2", ControlKind::Button, Ja(Tx::Form2Button2), 4, 52, 89, 25, 12},
    {"ComboBox1", ControlKind::ComboBox, "M16C", 100, 52, 57, 20, 12},
    {"Button1", ControlKind::Button, Ja(Tx::Form2Button1), 168, 52, 77, 25, 12},
    {"Button3", ControlKind::Button, Ja(Tx::Form2Button3), 252, 52, 65, 25, 12},
    {"StatusBar1", ControlKind::StatusBar, "", 0, 81, 325, 19, 12},
}};

inline constexpr std::array<std::string_view, 11> kForm2TabOrder = {
    "Edit1", "Edit2",   "Edit3",   "Edit4",   "Edit5",    "Edit6",
    "Edit7", "Button1", "Button2", "Button3", "ComboBox1"};

// The dialog keeps to this offset from the main window's top left corner.
inline constexpr int kForm2OffsetX = 100;
inline constexpr int kForm2OffsetY = 100;

// The layout of a named control of a table.
template <std::size_t N>
constexpr const ControlLayout& Control(const std::array<ControlLayout, N>& table,
                                       std::string_view name) {
    for (const ControlLayout& layout : table) {
        if (name == layout.name) return layout;
    }
    return table.front();
}

}  // namespace bramblet::form
