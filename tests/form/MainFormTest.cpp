// The window's rules against a face that records what they did to the controls: no toolkit, a
// settings store in memory, the simulated chip on the virtual line, real files and folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "sim/VirtualLink.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "writer/form/IdCodeForm.h"
#include "writer/form/MainForm.h"
#include "writer/platform/RegFile.h"

namespace bramblet::form {
namespace {

using testing::SRecords;
using testing::TempDir;

// The settings file, in memory; `failReplace` makes the save fail as a full disk would.
class MemoryFile : public WholeFile {
public:
    std::optional<std::string>& bytes;
    bool& failReplace;
    MemoryFile(std::optional<std::string>& b, bool& f) : bytes(b), failReplace(f) {}
    std::optional<std::string> Read() override { return bytes; }
    void Replace(const std::string& text) override {
        if (failReplace) throw SettingsError("書き込めません");
        bytes = text;
    }
    std::string Name() const override { return "memory"; }
};

// The controls as plain values, and every call the rules made, in order.
class FakeFace : public MainFace, public BrowserFace {
public:
    std::string fileName, portName = "COM1", family = "R8C", status, fileCheck;
    std::vector<std::string> portItems, errors, calls;
    bool modePin = false, modePinVisible = true;
    int top = 118, left = 204;
    std::string selected;                   // the file list's selection
    std::string shownFolder;                // the browser's
    std::optional<std::string> chosenFile;  // what the open dialog answers
    std::optional<OpenDialogDefaults> dialogShown;
    int closes = 0;
    std::function<void(const std::string&)> onStatus;

    std::string FileName() const override { return fileName; }
    void SetFileName(const std::string& t) override {
        Note("file " + t);
        fileName = t;
    }
    std::string PortName() const override { return portName; }
    void SetPortName(const std::string& t) override {
        Note("port " + t);
        portName = t;
    }
    void SetPortItems(const std::vector<std::string>& n) override { portItems = n; }
    std::string CpuFamily() const override { return family; }
    void SetCpuFamily(const std::string& t) override {
        Note("family " + t);
        family = t;
    }
    bool ModePin() const override { return modePin; }
    void SetModePin(bool c) override {
        Note(c ? "mode pin on" : "mode pin off");
        modePin = c;
    }
    void SetModePinVisible(bool v) override { modePinVisible = v; }
    int Top() const override { return top; }
    int Left() const override { return left; }
    void SetTop(int t) override {
        Note("top " + std::to_string(t));
        top = t;
    }
    void SetLeft(int l) override {
        Note("left " + std::to_string(l));
        left = l;
    }
    void FocusFileName() override { Note("focus"); }
    void AcceptDrops() override { Note("drops"); }
    void SetStatus(const std::string& t) override {
        status = t;
        if (onStatus) onStatus(t);
    }
    void SetProgress(int) override {}
    void SetVersionText(const std::string&) override {}
    void SetFileCheckText(const std::string& t) override {
        Note("check");
        fileCheck = t;
    }
    void SetButtonEnabled(ActionButton, bool) override {}
    void ShowError(const std::string& t) override {
        Note("error");
        errors.push_back(t);
    }
    std::optional<std::string> ChooseFile(const OpenDialogDefaults& d) override {
        dialogShown = d;
        return chosenFile;
    }
    std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string&) override { return {}; }
    void ShowLanguage(text::Lang lang) override {
        Note(lang == text::Lang::En ? "language en" : "language ja");
    }
    void BeginOperation() override {}
    void EndOperation() override {}
    void KeepPainted() override {}
    void Close() override { ++closes; }

    std::string SelectedFile() const override { return selected; }
    void ShowFolder(const std::string& folder) override {
        shownFolder = folder;
        selected.clear();
    }
    void SetMask(const std::string& m) override { Note("mask " + m); }
    void SelectFile(const std::string& n) override {
        Note("select " + n);
        selected = n;
    }

private:
    void Note(const std::string& what) { calls.push_back(what); }
};

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() : home_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir.Path());
    }
    ~MainFormTest() override {
        form.reset();
        std::filesystem::current_path(home_);
    }

    MainForm& Open(std::vector<std::string> arguments = {}) {
        FormServices services;
        services.ports = &line.Opener();
        services.settings = &store;
        services.portNames = [this] {
            if (portListFails) throw PlatformError("\"Serial0\" のデータ型が正しくありません");
            return ports;
        };
        services.beep = [this](std::uint32_t type) { beeps.push_back(type); };
        form = std::make_unique<MainForm>(face, face, services, std::move(arguments));
        form->FormCreate();
        face.calls.clear();
        form->FormShow();
        return *form;
    }
    void Settings(const std::string& values) {
        settings = std::string("Windows Registry Editor Version 5.00\n\n[") + kSettingsKeyPath +
                   "]\n" + values;
    }
    // The names of the saved values, in the order of the file.
    std::vector<std::string> SavedNames() {
        std::vector<std::string> names;
        for (const auto& e : ParseRegFile(*settings, kSettingsKeyPath)->Entries()) {
            names.push_back(e.name);
        }
        return names;
    }

    TempDir dir;
    sim::VirtualLink line;
    std::optional<std::string> settings;
    bool failSave = false;
    RegFileStore store{std::make_unique<MemoryFile>(settings, failSave)};
    std::optional<std::vector<std::string>> ports;
    bool portListFails = false;
    std::vector<std::uint32_t> beeps;
    FakeFace face;
    std::unique_ptr<MainForm> form;

private:
    std::filesystem::path home_;
};

TEST_F(MainFormTest, SettingsAreAppliedAsReadUntilTheFirstFailure) {
    Settings(
        "\"WindowTop\"=dword:00000010\n\"WindowLeft\"=\"20\"\n\"FileName\"=\"x.mot\"\n"
        "\"COM\"=\"COM4\"\n\"ModePin\"=dword:00000001\n\"CPU\"=\"M32C\"\n");
    Open();
    // The top went to the window before "WindowLeft" failed; nothing after it was read, and
    // the rest of the show (drops, file check, focus) did not happen.
    EXPECT_EQ(face.calls, (std::vector<std::string>{"top 16", "error"}));
    EXPECT_EQ(face.errors,
              std::vector<std::string>{"設定値 \"WindowLeft\" のデータ型が正しくありません"});

    Settings(
        "\"WindowTop\"=dword:ffffffff\n\"WindowLeft\"=dword:00000020\n\"FileName\"=\"\"\n"
        "\"COM\"=\"ttyUSB1\"\n\"ModePin\"=dword:00000005\n\"CPU\"=\"\"\n");
    Open();
    EXPECT_EQ(face.calls,
              (std::vector<std::string>{"top -1", "left 32", "file ", "port ttyUSB1", "mode pin on",
                                        "family ", "drops", "check", "family R8C", "focus"}));
    EXPECT_TRUE(face.modePinVisible);  // the empty family became R8C
}

TEST_F(MainFormTest, SavedInTheirOrderAndAFailedSaveHoldsTheFirstCloseOnly) {
    MainForm& f = Open();
    face.top = 40;
    face.left = -5;
    face.fileName = "C:\\書込\\\"x\".mot";
    face.portName = "any text";
    face.family = "m32c";
    face.modePin = true;
    EXPECT_TRUE(f.CloseRequested());
    // Every text as typed, the mode pin as 1; the file has its mark and is UTF-16.
    ASSERT_GE(settings->size(), 2u);
    EXPECT_EQ(StringFromData(std::vector<std::uint8_t>(settings->begin() + 2, settings->end())),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\ORVANE\\Bramblet]\r\n"
              "\"WindowTop\"=dword:00000028\r\n"
              "\"WindowLeft\"=dword:fffffffb\r\n"
              "\"FileName\"=\"C:\\\\書込\\\\\\\"x\\\".mot\"\r\n"
              "\"COM\"=\"any text\"\r\n"
              "\"CPU\"=\"m32c\"\r\n"
              "\"ModePin\"=dword:00000001\r\n\r\n");
    // Values already there are overwritten where they stand.
    Settings("\"CPU\"=\"R8C\"\n\"Other\"=\"o\"\n\"WindowTop\"=dword:00000001\n");
    EXPECT_TRUE(f.CloseRequested());
    EXPECT_EQ(SavedNames(), (std::vector<std::string>{"CPU", "Other", "WindowTop", "WindowLeft",
                                                      "FileName", "COM", "ModePin"}));
    failSave = true;
    EXPECT_FALSE(f.CloseRequested());  // the user sees why and may try again
    EXPECT_EQ(face.errors.size(), 1u);
    EXPECT_TRUE(f.CloseRequested());  // a window that cannot close could only be killed
    EXPECT_EQ(face.errors.size(), 1u);
}

TEST_F(MainFormTest, CommandLineFileAndTheLinkersX30) {
    dir.Write("prog.MOT", SRecords('2', 0xFFF00, 0x100) + "S804000000FB\n");
    Open({"prog.x30"});
    EXPECT_EQ(face.fileName, "prog.MOT");
    EXPECT_EQ(face.family, "M16C");  // chosen by the file's highest address
    EXPECT_EQ(face.fileCheck, "書込エリア(0FFF00-0FFFFF)  書込サイズ(256バイト)");
    EXPECT_FALSE(face.modePinVisible);

    // The name changes even when no such file exists; only the extension is the linker's.
    face = FakeFace();
    Open({"dir.x30/none.X30"});
    EXPECT_EQ(face.fileName, "dir.x30/none.MOT");
    EXPECT_EQ(face.errors.size(), 1u);

    face = FakeFace();
    Open({"a.mot", "b.mot"});  // two arguments (an unquoted path with a blank) are no file
    EXPECT_EQ(face.fileName, "");
    EXPECT_TRUE(face.errors.empty());

    // One argument with a blank is taken whole.
    const std::string spaced =
        dir.Write("my prog.s", SRecords('2', 0xFFFF00, 0x100) + "S804000000FB\n");
    face = FakeFace();
    Open({spaced});
    EXPECT_EQ(face.fileName, spaced);
    EXPECT_EQ(face.family, "M32C");
}

// What a check with family selection puts into the family box: the family whose highest
// address the file reaches, or the text as it was.
TEST(FamilySelectionTest, ByTheHighestAddressOrLeftAsItWas) {
    struct Case {
        std::uint32_t max;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {0xFFEF, "M16C", "M16C"},   {0xFFF0, "M16C", "R8C"},    {0xFFFF, "M32C", "R8C"},
        {0x10000, "M16C", "M16C"},  {0xFFFEF, "R8C", "R8C"},    {0xFFFF0, "R8C", "M16C"},
        {0xFFFFF, "M32C", "M16C"},  {0xFFFFEF, "M16C", "M16C"}, {0xFFFFF0, "R8C", "M32C"},
        {0xFFFFFF, "M16C", "M32C"}, {0xFFFFFF, "m16c", "m16c"}, {0x1000000, "R8C", "R8C"},
        {0xFFFF, "", ""},           {0xFFFF, "R8C", "R8C"},
    };
    for (const Case& c : cases) {
        const std::optional<Family> chosen = FamilyByHighestAddress(c.max, ParseFamily(c.before));
        EXPECT_EQ(chosen ? FamilyName(*chosen) : c.before, std::string(c.after))
            << std::hex << c.max;
    }
}

TEST_F(MainFormTest, DropsAreCutToTheNotificationsBufferAndNeverHalveACharacter) {
    const std::string ascii(300, 'a');
    EXPECT_EQ(DroppedPath(ascii), std::string(254, 'a'));
    // U+1F600 needs two UTF-16 units: at units 253 and 254 it would not fit whole.
    const std::string emoji = "\xF0\x9F\x98\x80";
    EXPECT_EQ(DroppedPath(std::string(252, 'a') + emoji + "b"), std::string(252, 'a') + emoji);
    EXPECT_EQ(DroppedPath(std::string(253, 'a') + emoji), std::string(253, 'a'));
    EXPECT_EQ(DroppedPath("日本語.mot"), "日本語.mot");  // one unit each

    // The cut comes before anything else: the cut name is what the field shows and is looked for.
    MainForm& f = Open();
    const std::string longPath = dir.Name("") + std::string(300, 'x');
    f.FilesDropped(longPath);
    EXPECT_EQ(face.fileName, DroppedPath(longPath));
    EXPECT_EQ(face.errors.size(), 1u);  // no such file
}

TEST_F(MainFormTest, DroppedFolderMovesTheBrowserAndFailsTheCheck) {
    std::filesystem::create_directories(dir.Path() / "folder");
    MainForm& f = Open();
    f.FilesDropped(dir.Name("folder"));
    EXPECT_EQ(face.fileName, dir.Name("folder"));
    EXPECT_EQ(std::filesystem::current_path(), dir.Path() / "folder");
    EXPECT_EQ(face.fileCheck, testing::kCheckFailed);
    EXPECT_EQ(face.status, testing::kNotSFormat);
    EXPECT_TRUE(face.errors.empty());
}

TEST_F(MainFormTest, FileListDoubleClickTakesOnlyWriteFilesAndTheDialogItsDefaults) {
    const std::string good = dir.Write("data.s", SRecords('1', 0xFF00, 0x100) + "S9030000FC\n");
    MainForm& f = Open();
    face.family = "M32C";
    face.selected = dir.Name("notes.txt");
    f.FileListBox1DblClick();
    EXPECT_EQ(face.fileName, "");  // kept; the old name is checked again
    EXPECT_EQ(face.fileCheck, "書き込みファイルはSフォーマットでないか、異常です");
    face.selected = good;
    f.FileListBox1DblClick();
    EXPECT_EQ(face.fileName, good);
    EXPECT_EQ(face.family, "R8C");

    face.calls.clear();
    f.Edit1DblClick();  // cancelled: only the mode pin box follows the family
    ASSERT_TRUE(face.dialogShown);
    EXPECT_STREQ(face.dialogShown->defaultExtension, "MOT");
    EXPECT_STREQ(face.dialogShown->fileName, "*.mot");
    EXPECT_TRUE(face.calls.empty());
    face.chosenFile = dir.Name("missing.mot");
    f.Edit1DblClick();  // the browser cannot apply a name that does not exist: no check
    EXPECT_EQ(face.calls, (std::vector<std::string>{"file " + *face.chosenFile, "error"}));
}

TEST_F(MainFormTest, PortListIsSortedOnEveryOpeningAndAFailureLeavesIt) {
    MainForm& f = Open();
    face.portName = "COM7";
    face.calls.clear();
    ports = std::vector<std::string>{"COM10", "COM3", "COM12", "COM1", "COM9", "COM2", "COM3"};
    f.ComboBox1DropDown();
    EXPECT_EQ(face.portItems,
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM3", "COM9", "COM10", "COM12"}));
    // Names of other systems after the numbered ones, each kind in its own order.
    ports = std::vector<std::string>{"ttyUSB0", "/tmp/bramblet-sim/COM9", "ttyS0"};
    f.ComboBox1DropDown();
    EXPECT_EQ(face.portItems,
              (std::vector<std::string>{"ttyS0", "ttyUSB0", "/tmp/bramblet-sim/COM9"}));
    ports.reset();  // no list from the system
    f.ComboBox1DropDown();
    portListFails = true;
    f.ComboBox1DropDown();
    EXPECT_EQ(face.portItems.size(), 3u);
    EXPECT_EQ(face.errors, std::vector<std::string>{"\"Serial0\" のデータ型が正しくありません"});
    portListFails = false;
    ports = std::vector<std::string>{};
    f.ComboBox1DropDown();
    EXPECT_TRUE(face.portItems.empty());
    // The text in the box is the user's, whatever the list holds.
    EXPECT_EQ(face.portName, "COM7");
    EXPECT_EQ(face.calls, std::vector<std::string>{"error"});
}

TEST_F(MainFormTest, BrowserPathsNameAFolderAMaskOrAFile) {
    dir.Write("sub/prog.mot", "S9030000FC\n");
    FileBrowser& b = Open().Browser();
    EXPECT_EQ(b.ApplyFilePath("sub/*.mot"), std::nullopt);
    EXPECT_EQ(std::filesystem::current_path(), dir.Path() / "sub");
    EXPECT_EQ(face.calls.back(), "mask *.mot");
    EXPECT_EQ(b.ApplyFilePath("prog.mot"), std::nullopt);  // relative to the folder shown
    EXPECT_EQ(face.calls.back(), "select prog.mot");
    face.calls.clear();
    EXPECT_EQ(b.ApplyFilePath("PROG.MOT"), std::nullopt);  // the selection already, in any case
    EXPECT_TRUE(face.calls.empty());
    EXPECT_EQ(b.ApplyFilePath(".."), std::nullopt);
    EXPECT_EQ(std::filesystem::current_path(), dir.Path());
    EXPECT_EQ(b.ApplyFilePath("sub/none.mot"), "「" + NativePath(dir.Name("sub/none.mot")) +
                                                   "」というファイルもフォルダもありません");
    // The folder of the last path was entered before its file was found missing.
    EXPECT_EQ(b.ApplyFilePath("gone/x.mot"),
              "フォルダ「" + NativePath(dir.Name("sub/gone")) + "」が見つかりません");

    EXPECT_EQ(DriveOf({"/", "/home/u", "/media/usb"}, "/home/u/work"), 1u);
    EXPECT_EQ(DriveOf({"/", "/home/u"}, "/home/user2"), 0u);  // not a folder of /home/u
    EXPECT_EQ(DriveOf({"/media/usb"}, "/home"), std::nullopt);
}

TEST_F(MainFormTest, DropsAndClosesDuringAnOperationWaitForItsEnd) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x100) + "S9030000FC\n");
    const std::string later = dir.Write("later.mot", SRecords('1', 0xE000, 0x10) + "S9030000FC\n");
    MainForm& f = Open();
    face.fileName = file;
    face.onStatus = [&](const std::string& text) {
        if (text != "フラッシュ書き込み中") return;
        f.FilesDropped(later);
        EXPECT_FALSE(f.CloseRequested());
        EXPECT_EQ(face.fileName, file);
    };
    f.Button1Click();
    EXPECT_EQ(line.Target().Read(0xC000), testing::Bytes(0xC000, 1)[0]);  // written whole
    EXPECT_EQ(face.fileName, later);  // the drop was taken at the end
    EXPECT_EQ(face.status, testing::kReady);
    EXPECT_EQ(face.closes, 1);  // and then the close
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{kBeepSuccess});
}

// Whether the chip heard `command` since the `from`th command of its log.
bool Heard(const sim::VirtualLink& line, std::uint8_t command, std::size_t from = 0) {
    const auto& log = line.Target().Log();
    return std::any_of(log.begin() + static_cast<std::ptrdiff_t>(from), log.end(),
                       [command](const auto& e) { return e.command == command; });
}

TEST_F(MainFormTest, MenuChoicesAreKeptOnlyOnceTickedAndAfterTheDesignsValues) {
    MainForm& f = Open();
    const std::vector<MenuItem> items = f.MenuItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, "高速通信 (115200)");
    EXPECT_EQ(items[1].text, "チェックデータで照合");
    EXPECT_FALSE(items[0].checked || items[1].checked);
    EXPECT_TRUE(!items[2].checked && items[3].checked);  // the languages: Japanese

    // Ticked and cleared again: the values say so from now on, the design's way included.
    f.MenuItemClick(0);
    f.MenuItemClick(1);
    f.MenuItemClick(1);
    f.MenuItemClick(7);  // no such row: nothing
    EXPECT_TRUE(f.MenuItems()[0].checked);
    EXPECT_FALSE(f.MenuItems()[1].checked);
    EXPECT_TRUE(f.CloseRequested());
    ASSERT_GE(settings->size(), 2u);
    EXPECT_EQ(StringFromData(std::vector<std::uint8_t>(settings->begin() + 2, settings->end())),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\ORVANE\\Bramblet]\r\n"
              "\"WindowTop\"=dword:00000076\r\n"
              "\"WindowLeft\"=dword:000000cc\r\n"
              "\"FileName\"=\"\"\r\n"
              "\"COM\"=\"COM1\"\r\n"
              "\"CPU\"=\"R8C\"\r\n"
              "\"ModePin\"=dword:00000000\r\n"
              "\"Baud\"=dword:0001c200\r\n"
              "\"VerifyBy\"=\"read\"\r\n\r\n");

    // The next window reads them back after the design's values, and keeps them as they were.
    face = FakeFace();
    MainForm& again = Open();
    EXPECT_TRUE(again.MenuItems()[0].checked);
    EXPECT_FALSE(again.MenuItems()[1].checked);
    const std::string saved = *settings;
    EXPECT_TRUE(again.CloseRequested());
    EXPECT_EQ(*settings, saved);

    // Values the window cannot take stay as they are and leave the design's way in force: a
    // string where a number belongs, a number that is no rate. Nor do they hold the window up.
    Settings(
        "\"WindowTop\"=dword:00000010\n\"WindowLeft\"=dword:00000020\n\"FileName\"=\"\"\n"
        "\"COM\"=\"COM4\"\n\"ModePin\"=dword:00000000\n\"CPU\"=\"R8C\"\n"
        "\"Baud\"=\"115200\"\n\"VerifyBy\"=\"SUM\"\n");
    face = FakeFace();
    MainForm& odd = Open();
    EXPECT_TRUE(face.errors.empty());
    EXPECT_EQ(face.calls.back(), "focus");  // the whole show ran
    EXPECT_FALSE(odd.MenuItems()[0].checked || odd.MenuItems()[1].checked);
    EXPECT_TRUE(odd.CloseRequested());
    const RegValues values = *ParseRegFile(*settings, kSettingsKeyPath);
    EXPECT_EQ(*values.Find("Baud"), (RegValue{RegType::Sz, StringData("115200")}));
    EXPECT_EQ(*values.Find("VerifyBy"), (RegValue{RegType::Sz, StringData("SUM")}));

    // A design's value that fails stops the reading before the window's own.
    Settings("\"WindowTop\"=\"x\"\n\"Baud\"=dword:0001c200\n");
    face = FakeFace();
    EXPECT_FALSE(Open().MenuItems()[0].checked);
}

// The window's write with both choices is the command line's --baud 115200 --verify-by sum: the
// same bytes on the line at the same moments; without them, the design's.
TEST_F(MainFormTest, ChosenFastLinkWritesAsTheCommandLineDoes) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x300) + "S9030000FC\n");
    auto frames = [](const sim::VirtualLink& l) {
        std::vector<std::pair<sim::Time, std::vector<std::uint8_t>>> out;
        for (const auto& frame : l.Frames()) out.emplace_back(frame.at, frame.bytes);
        return out;
    };

    Settings(
        "\"WindowTop\"=dword:00000010\n\"WindowLeft\"=dword:00000020\n\"FileName\"=\"\"\n"
        "\"COM\"=\"COM4\"\n\"ModePin\"=dword:00000000\n\"CPU\"=\"R8C\"\n"
        "\"Baud\"=dword:0001c200\n\"VerifyBy\"=\"sum\"\n");
    MainForm& f = Open();
    face.fileName = file;
    EXPECT_TRUE(f.MenuItems()[0].checked && f.MenuItems()[1].checked);
    std::vector<std::string> statuses;
    face.onStatus = [&](const std::string& text) { statuses.push_back(text); };
    f.Button1Click();
    EXPECT_EQ(face.status, testing::kWritten);
    EXPECT_EQ(line.Target().Baud(), 115200u);
    EXPECT_TRUE(Heard(line, 0xFD));   // the check data
    EXPECT_FALSE(Heard(line, 0xFF));  // and no page read back
    EXPECT_EQ(line.Target().Read(0xC2FF), testing::Bytes(0xC2FF, 1)[0]);

    sim::VirtualLink cliLine;
    class Quiet : public WriterView, public IdCodePrompt {
    public:
        std::vector<std::string> statuses;
        void SetStatus(const std::string& text) override { statuses.push_back(text); }
        std::optional<IdCodeAnswer> AskIdCode() override { return std::nullopt; }
    } view;
    Session cli(cliLine.Opener(), view, view);
    Target target{"COM4",
                  Family::R8C,
                  false,
                  file,
                  LinkOptions{115200, {}, {}},
                  FlashOptions{{}, false, false, true},
                  {}};
    cli.WriteSequence(target);
    EXPECT_EQ(frames(line), frames(cliLine));
    EXPECT_EQ(line.Now(), cliLine.Now());
    EXPECT_EQ(statuses, view.statuses);  // the design's texts

    // Both cleared in the menu: the design's link and every page read back.
    f.MenuItemClick(0);
    f.MenuItemClick(1);
    sim::VirtualLink designLine;
    Session design(designLine.Opener(), view, view);
    design.WriteSequence(Target{"COM4", Family::R8C, false, file, {}, {}, {}});
    // The chip is reset, as a user starts it again in boot mode.
    const std::size_t heard = line.Target().Log().size();
    line.Target().Reset(line.Now());
    line.ClearLog();
    f.Button1Click();
    EXPECT_EQ(face.status, testing::kWritten);
    EXPECT_EQ(line.Target().Baud(), 19200u);
    EXPECT_TRUE(Heard(line, 0xFF, heard));
    EXPECT_FALSE(Heard(line, 0xFD, heard));
    std::vector<std::vector<std::uint8_t>> sent, designSent;
    for (const auto& [at, bytes] : frames(line)) sent.push_back(bytes);
    for (const auto& [at, bytes] : frames(designLine)) designSent.push_back(bytes);
    EXPECT_EQ(sent, designSent);
}

TEST_F(MainFormTest, AMenuPickDuringAnOperationIsDropped) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x100) + "S9030000FC\n");
    MainForm& f = Open();
    face.fileName = file;
    face.onStatus = [&](const std::string& text) {
        if (text == testing::kErasing) f.MenuItemClick(0);
    };
    f.Button1Click();
    EXPECT_EQ(face.status, testing::kWritten);
    EXPECT_FALSE(f.MenuItems()[0].checked);
}

bool Ascii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The language is taken before the first status text, so a window kept in English never shows a
// Japanese one; the settings' own faults then speak it too.
TEST_F(MainFormTest, ALanguageKeptInTheSettingsIsSpokenFromTheFirstText) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x100) + "S9030000FC\n");
    // A Windows path's backslashes are escaped in the settings file, as the window saves them.
    std::string stored;
    for (const char c : file) stored += c == '\\' ? std::string("\\\\") : std::string(1, c);
    Settings("\"WindowTop\"=dword:00000010\n\"WindowLeft\"=dword:00000020\n\"FileName\"=\"" +
             stored +
             "\"\n\"COM\"=\"COM4\"\n\"ModePin\"=dword:00000000\n\"CPU\"=\"R8C\"\n"
             "\"Language\"=\"en\"\n");
    std::vector<std::string> firstStatus;
    face.onStatus = [&](const std::string& text) {
        if (firstStatus.empty()) firstStatus = {face.calls.empty() ? "" : face.calls.back(), text};
    };
    MainForm& f = Open();
    EXPECT_EQ(firstStatus,
              (std::vector<std::string>{
                  "language en", "Choose a file, power the chip on in boot mode, press a button"}));
    EXPECT_EQ(f.CurrentLanguage(), text::Lang::En);
    EXPECT_EQ(face.fileCheck, "Write area(00C000-00C0FF)  Size(256 bytes)");
    EXPECT_EQ(face.status, "Power the chip on in boot mode, then press the write button");
    EXPECT_EQ(f.MenuItems()[0].text, "Fast link (115200)");
    EXPECT_TRUE(f.MenuItems()[2].checked && !f.MenuItems()[3].checked);

    // A whole write in English: no text the window shows is Japanese.
    std::vector<std::string> statuses;
    face.onStatus = [&](const std::string& text) { statuses.push_back(text); };
    f.Button1Click();
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), "Flash write completed successfully");
    for (const std::string& s : statuses) EXPECT_TRUE(Ascii(s)) << s;
    EXPECT_TRUE(f.CloseRequested());
    EXPECT_EQ(*ParseRegFile(*settings, kSettingsKeyPath)->Find("Language"),
              (RegValue{RegType::Sz, StringData("en")}));

    // A design's value that fails is told in the language, which was read ahead of it.
    Settings("\"WindowTop\"=\"x\"\n\"Language\"=\"en\"\n");
    face = FakeFace();
    Open();
    EXPECT_EQ(face.errors, std::vector<std::string>{"Setting \"WindowTop\" has the wrong type"});

    // A damaged file cannot say its language: Japanese, as the design's.
    settings = std::string("Windows Registry Editor Version 5.00\n\n[") + kSettingsKeyPath +
               "]\n\"Language\"=\"en\"\n\"WindowTop\"=dword:zz\n";
    face = FakeFace();
    EXPECT_EQ(Open().CurrentLanguage(), text::Lang::Ja);
    ASSERT_EQ(face.errors.size(), 1u);
    EXPECT_EQ(face.errors[0].rfind("設定ファイル memory が壊れています (", 0), 0u)
        << face.errors[0];
}

// What the window cannot take leaves Japanese and no language call, and stays in the settings
// as it was for the version that wrote it.
TEST_F(MainFormTest, AnUnknownLanguageIsJapaneseAndKept) {
    for (const std::string value : {"\"fr\"", "\"EN\"", "dword:00000001", "\"\""}) {
        SCOPED_TRACE(value);
        Settings(
            "\"WindowTop\"=dword:00000010\n\"WindowLeft\"=dword:00000020\n\"FileName\"=\"\"\n"
            "\"COM\"=\"COM4\"\n\"ModePin\"=dword:00000000\n\"CPU\"=\"R8C\"\n\"Language\"=" +
            value + "\n");
        face = FakeFace();
        MainForm& f = Open();
        EXPECT_EQ(f.CurrentLanguage(), text::Lang::Ja);
        EXPECT_TRUE(face.errors.empty());
        EXPECT_EQ(std::count(face.calls.begin(), face.calls.end(), "language ja") +
                      std::count(face.calls.begin(), face.calls.end(), "language en"),
                  0);
        EXPECT_FALSE(f.MenuItems()[2].checked);
        const RegValue before = *ParseRegFile(*settings, kSettingsKeyPath)->Find("Language");
        EXPECT_TRUE(f.CloseRequested());
        EXPECT_EQ(*ParseRegFile(*settings, kSettingsKeyPath)->Find("Language"), before);
    }
}

// Picked in the menu, a language applies at once: the controls, the file's area and the status
// line, the browser's errors; picking the language in force again changes and saves nothing.
TEST_F(MainFormTest, APickedLanguageAppliesAtOnceAndIsSaved) {
    const std::string file = dir.Write("prog.mot", SRecords('1', 0xC000, 0x100) + "S9030000FC\n");
    MainForm& f = Open({file});
    EXPECT_EQ(face.status, "ブートモードでマイコンの電源ON、書込実行ボタンを押す");
    f.MenuItemClick(3);  // 日本語, already in force
    EXPECT_EQ(std::count(face.calls.begin(), face.calls.end(), "language ja"), 0);
    EXPECT_TRUE(f.CloseRequested());
    EXPECT_EQ(ParseRegFile(*settings, kSettingsKeyPath)->Find("Language"), nullptr);

    face.calls.clear();
    f.MenuItemClick(2);
    EXPECT_EQ(face.calls.front(), "language en");
    EXPECT_EQ(face.fileCheck, "Write area(00C000-00C0FF)  Size(256 bytes)");
    EXPECT_EQ(face.status, "Power the chip on in boot mode, then press the write button");
    EXPECT_EQ(f.MenuItems()[1].text, "Verify by check data");
    EXPECT_EQ(f.MenuItems()[3].text, "日本語");
    const std::string error =
        f.Browser().ApplyFilePath(dir.Path().string() + "/none/x.mot").value_or("");
    EXPECT_EQ(error.rfind("Folder \"", 0), 0u) << error;
    EXPECT_NE(error.find("\" not found"), std::string::npos) << error;
    EXPECT_TRUE(f.CloseRequested());
    EXPECT_EQ(*ParseRegFile(*settings, kSettingsKeyPath)->Find("Language"),
              (RegValue{RegType::Sz, StringData("en")}));

    face.calls.clear();
    f.MenuItemClick(3);
    EXPECT_EQ(face.calls.front(), "language ja");
    EXPECT_EQ(face.status, "ブートモードでマイコンの電源ON、書込実行ボタンを押す");
    EXPECT_TRUE(f.CloseRequested());
    EXPECT_EQ(*ParseRegFile(*settings, kSettingsKeyPath)->Find("Language"),
              (RegValue{RegType::Sz, StringData("ja")}));
}

// The dialog takes the main window's language at each showing, and changes its controls only
// when that differs from what they show.
TEST(IdCodeFormTest, TheDialogSpeaksTheMainWindowsLanguage) {
    class Face : public IdDialogFace {
    public:
        std::vector<std::string> calls;
        std::string FieldText(std::size_t) const override { return {}; }
        void SetFieldText(std::size_t, const std::string&) override {}
        std::string FamilyText() const override { return {}; }
        void SetFamilyText(const std::string&) override {}
        void SetStatus(const std::string& t) override { calls.push_back(t); }
        std::optional<std::string> ChooseFile(const OpenDialogDefaults&) override { return {}; }
        void CloseDialog() override {}
        void ShowLanguage(text::Lang lang) override {
            calls.push_back(lang == text::Lang::En ? "en" : "ja");
        }
    } face;
    IdCodeForm dialog(face);
    dialog.Opening("R8C", text::Lang::Ja);
    dialog.FormShow();
    dialog.Opening("R8C", text::Lang::En);
    dialog.FormShow();
    dialog.FormShow();
    dialog.Opening("R8C", text::Lang::Ja);
    dialog.FormShow();
    EXPECT_EQ(face.calls,
              (std::vector<std::string>{"プロテクトされています。プロテクトIDを指定してください",
                                        "en", "The chip is protected. Enter its ID code",
                                        "The chip is protected. Enter its ID code", "ja",
                                        "プロテクトされています。プロテクトIDを指定してください"}));
}

TEST(IdCodeFormTest, FieldsAreOneOrTwoHexDigitsInUpperCase) {
    using Fields = std::array<std::string, 7>;
    EXPECT_EQ(IdCodeFromFields(Fields{"5A", "0", "F", "00", "12", "A", "FF"}),
              (IdCodeBytes{0x5A, 0x00, 0x0F, 0x00, 0x12, 0x0A, 0xFF}));
    for (const char* bad : {"", "G", "5G", "5a", "123", " 1"}) {
        EXPECT_EQ(IdCodeFromFields(Fields{"11", "22", bad, "44", "55", "66", "77"}), std::nullopt)
            << bad;
    }
    EXPECT_EQ(IdCodeForm::FormPaint(-10, 500).left, 90);
    EXPECT_EQ(IdCodeForm::FormPaint(-10, 500).top, 600);
}

}  // namespace
}  // namespace bramblet::form
