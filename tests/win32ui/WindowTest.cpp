// The Win32 window in this process, driven by the messages a user's actions send: clicks, a
// dropped file, a typed port, the ID code dialog answered, the close; its settings in the
// registry (Wine's, in CI). wine-window.sh runs it on a virtual display.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "sim/VirtualLink.h"
#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "text/Wide.h"
#include "writer/form/Layout.h"
#include "writer/platform/System.h"
#include "writer/platform/win32/RegistrySettings.h"
#include "writer/win32ui/Controls.h"
#include "writer/win32ui/Unit1.h"
#include "writer/win32ui/Unit2.h"

namespace bramblet::win32ui {
namespace {

using text::Narrow;
using text::Widen;

using bramblet::testing::TempDir;
using namespace bramblet::testing::status_texts;

const wchar_t kKey[] = L"Software\\ORVANE\\BrambletWindowTest";

// Handles what has been posted and sent to this thread's windows.
void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string StatusText(HWND bar) {
    // Under Wine only part 0 reads a simple status bar's text back.
    std::wstring text(LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, 0, 0)) + 1, L'\0');
    text.resize(LOWORD(SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()))));
    return Narrow(text);
}

std::vector<std::string> Items(HWND control, UINT count, UINT length, UINT get) {
    std::vector<std::string> items;
    for (LRESULT i = 0; i < SendMessageW(control, count, 0, 0); ++i) {
        std::wstring text(SendMessageW(control, length, i, 0) + 1, L'\0');
        text.resize(SendMessageW(control, get, i, reinterpret_cast<LPARAM>(text.data())));
        items.push_back(Narrow(text));
    }
    return items;
}
std::vector<std::string> ListItems(HWND list) {
    return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}
std::vector<std::string> ComboItems(HWND combo) {
    return Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}
std::string Selected(HWND list, bool combo = false) {
    const LRESULT row = SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    if (row < 0) return "(none)";
    return (combo ? ComboItems(list) : ListItems(list)).at(row);
}

// The drop the shell hands over: a DROPFILES block with wide paths.
HDROP Drop(const std::vector<std::wstring>& paths) {
    std::size_t units = 1;
    for (const std::wstring& path : paths) units += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* block = static_cast<DROPFILES*>(GlobalLock(memory));
    block->pFiles = sizeof(DROPFILES);
    block->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(block + 1);
    for (const std::wstring& path : paths) {
        std::copy(path.begin(), path.end(), out);
        out += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// A settings value as the registry holds it.
std::optional<std::wstring> RegString(const wchar_t* name) {
    wchar_t data[1024];
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
}
std::optional<DWORD> RegDword(const wchar_t* name) {
    DWORD data = 0, size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &data, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

// Every text the window gives its status bar and every position its progress bar, in order.
class Recorder {
public:
    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::function<void(const std::string&)> onStatus;

    void Attach(const TForm1& form) {
        SetWindowSubclass(form.StatusBar1, Proc, 1, reinterpret_cast<DWORD_PTR>(this));
        SetWindowSubclass(form.ProgressBar1, Proc, 2, reinterpret_cast<DWORD_PTR>(this));
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR data) {
        auto* self = reinterpret_cast<Recorder*>(data);
        if (message == WM_NCDESTROY) RemoveWindowSubclass(window, Proc, id);
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (id == 1 && message == SB_SETTEXTW) {
            self->statuses.push_back(Narrow(reinterpret_cast<const wchar_t*>(lParam)));
            if (self->onStatus) self->onStatus(self->statuses.back());
        }
        if (id == 2 && message == PBM_SETPOS) self->progress.push_back(static_cast<int>(wParam));
        return result;
    }
};

class Win32Window : public ::testing::Test {
protected:
    Win32Window() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        store = RegistrySettingsStore(HKEY_CURRENT_USER, kKey);
        oldFolder.resize(MAX_PATH);
        oldFolder.resize(GetCurrentDirectoryW(MAX_PATH, oldFolder.data()));
        SetCurrentDirectoryW(work.Path().c_str());
    }
    ~Win32Window() override {
        Discard();
        SetCurrentDirectoryW(oldFolder.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }

    // Builds the windows as the program does and shows the main one, which runs FormShow.
    TForm1& Open() {
        Discard();
        Form1Services services;
        services.form.ports = ports;
        services.form.settings = store.get();
        services.form.portNames = [this] { return portNames; };
        services.form.beep = [this](std::uint32_t type) { beeps.push_back(type); };
        services.showError = [this](const std::string& text) { errors.push_back(text); };
        application = std::make_unique<Application>();
        form = std::make_unique<TForm1>(*application, services, std::vector<std::string>{});
        dialog = std::make_unique<TForm2>(form->Handle());
        form->SetIdCodeDialog(dialog.get());
        form->Show();
        Pump();
        return *form;
    }
    void Discard() {
        dialog.reset();
        form.reset();
        application.reset();
    }

    // A write file of `count` bytes ending at `last`, as a Windows path.
    std::string WriteFile(const std::string& name, std::uint32_t last, std::size_t count = 256) {
        const std::uint32_t first = static_cast<std::uint32_t>(last + 1 - count);
        const char type = last > 0xFFFF ? '2' : '1';
        work.Write(name, bramblet::testing::SRecords(type, first, count) +
                             (type == '2' ? "S804000000FB\n" : "S9030000FC\n"));
        return Path(name);
    }
    std::string Path(const std::string& relative) const {
        std::string path = TempDir::Utf8Name(work.Path()) + "\\" + relative;
        for (char& c : path) c = c == '/' ? '\\' : c;
        return path;
    }
    // The design's values; with `fast`, also the fast link and the verify by check data, as the
    // window's menu saves them.
    void Remember(const std::string& file, const std::string& port, bool fast = false) {
        auto key = store->Create();
        WriteDword(*key, "WindowTop", 100);
        WriteDword(*key, "WindowLeft", 100);
        WriteString(*key, "FileName", file);
        WriteString(*key, "COM", port);
        WriteDword(*key, "ModePin", 0);
        WriteString(*key, "CPU", "R8C");
        if (fast) {
            WriteDword(*key, "Baud", 115200);
            WriteString(*key, "VerifyBy", "sum");
        }
        key->Close();
    }

    TempDir work;
    std::wstring oldFolder;
    std::unique_ptr<SettingsStore> store;
    sim::VirtualLink idleLine;
    PortOpener* ports = &idleLine.Opener();
    std::optional<std::vector<std::string>> portNames;
    std::vector<std::uint32_t> beeps;
    std::vector<std::string> errors;
    std::unique_ptr<Application> application;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TForm2> dialog;
};

TEST_F(Win32Window, OpensAsDesignedTakesADropAndATypedPortAndKeepsThemInTheRegistry) {
    const std::string file = WriteFile("書込み/fw.mot", 0xFFFFF);
    WriteFile("書込み/B.MOT", 0xFFFF);
    work.Write("書込み/notes.txt", "");
    work.Write("sub/x.mot", "");
    portNames = std::vector<std::string>{"COM10", "COM3", "COM1", "COM2"};
    TForm1& f = Open();

    // The first run, with no settings.
    EXPECT_EQ(Text(f.Handle()), form::kForm1.caption);
    RECT client{};
    GetClientRect(f.Handle(), &client);
    EXPECT_EQ(client.right, form::kForm1.width);
    EXPECT_EQ(client.bottom, form::kForm1.height);
    EXPECT_EQ(FrameRect(f.Handle()).left, form::kForm1Left);
    EXPECT_EQ(FrameRect(f.Handle()).top, form::kForm1Top);
    // Every row of the layout table reaches its control; the rows themselves are checked
    // against the design in the form model's tests.
    for (std::size_t row = 0; row < form::kForm1Controls.size(); ++row) {
        const form::ControlLayout& layout = form::kForm1Controls[row];
        if (layout.kind == form::ControlKind::OpenDialog) continue;
        SCOPED_TRACE(layout.name);
        HWND control = GetDlgItem(f.Handle(), ControlId(row));
        ASSERT_NE(control, nullptr);
        const RECT place = PlaceInParent(control);
        EXPECT_EQ(place.left, layout.left);
        EXPECT_EQ(place.top, layout.top);
        if (layout.autoSize) continue;
        EXPECT_EQ(place.right - place.left, layout.width);
        // A combo box's closed height is the system's, from its font.
        const bool combo = layout.kind == form::ControlKind::ComboBox ||
                           layout.kind == form::ControlKind::DriveBox;
        if (!combo) {
            EXPECT_EQ(place.bottom - place.top, layout.height);
        }
    }
    const LONG_PTR style = GetWindowLongPtrW(f.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    // The taskbar's button is the application's.
    EXPECT_EQ(Text(GetWindow(f.Handle(), GW_OWNER)), form::kApplicationTitle);
    EXPECT_EQ(StatusText(f.StatusBar1), kNotSFormat);
    EXPECT_EQ(Text(f.Label4), kCheckFailed);
    EXPECT_EQ(Text(f.ComboBox1), "COM1");
    EXPECT_EQ(Text(f.ComboBox2), "R8C");
    EXPECT_EQ(ComboItems(f.ComboBox2), (std::vector<std::string>{"R8C", "M16C", "M32C"}));
    EXPECT_TRUE(ComboItems(f.ComboBox1).empty());
    EXPECT_TRUE(IsWindowVisible(f.CheckBox1));
    EXPECT_TRUE(GetWindowLongPtrW(f.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(GetFocus(), f.Edit1);
    EXPECT_TRUE(errors.empty());
    // The browser at the current folder, its drive selected.
    EXPECT_EQ(Selected(f.DriveComboBox1, true), "[-c-]");
    const std::string here = TempDir::Utf8Name(work.Path().filename());
    const std::vector<std::string> folders = ListItems(f.DirectoryListBox1);
    ASSERT_GE(folders.size(), 3u);
    const std::string indent(folders[folders.size() - 3].find_first_not_of(' '), ' ');
    EXPECT_EQ(folders[folders.size() - 3], indent + here);
    EXPECT_EQ(folders[folders.size() - 2], indent + "  sub");
    EXPECT_EQ(folders.back(), indent + "  書込み");
    EXPECT_EQ(Selected(f.DirectoryListBox1), indent + here);
    // Tab walks the controls in the design's order.
    std::vector<HWND> order{f.DriveComboBox1};
    for (int i = 0; i < 11; ++i)
        order.push_back(GetNextDlgTabItem(f.Handle(), order.back(), FALSE));
    EXPECT_EQ(order,
              (std::vector<HWND>{f.DriveComboBox1, f.DirectoryListBox1, f.FileListBox1, f.Edit1,
                                 f.Button1, f.Button3, f.Button2, f.ComboBox1, f.ComboBox2,
                                 f.CheckBox1, f.ProgressBar1, f.DriveComboBox1}));

    SendMessageW(f.CheckBox1, BM_CLICK, 0, 0);
    // A path longer than the drop's buffer arrives whole and is cut by the window's rule: at 254
    // UTF-16 units, but before a character that needs two of them when it would be halved.
    const std::wstring tooLong = Widen(Path("")) +
                                 std::wstring(253 - Widen(Path("")).size(), L'x') + L"\U0002000B" +
                                 std::wstring(40, L'y');
    SendMessageW(f.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop({tooLong})), 0);
    EXPECT_EQ(Widen(Text(f.Edit1)), tooLong.substr(0, 253));
    EXPECT_EQ(errors.size(), 1u);  // no such file
    EXPECT_EQ(Text(f.Label4), kCheckFailed);

    // Two files at once: the first one counts; the browser moves to it.
    SendMessageW(f.Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(Drop({Widen(file), Widen(Path("書込み\\B.MOT"))})), 0);
    EXPECT_EQ(Text(f.Edit1), file);
    EXPECT_EQ(Text(f.Label4), "書込エリア(0FFF00-0FFFFF)  書込サイズ(256バイト)");
    EXPECT_EQ(StatusText(f.StatusBar1), kReady);
    EXPECT_EQ(Text(f.ComboBox2), "M16C");
    EXPECT_FALSE(IsWindowVisible(f.CheckBox1));
    EXPECT_FALSE(IsWindowVisible(f.Label5));
    EXPECT_EQ(ListItems(f.FileListBox1),
              (std::vector<std::string>{"B.MOT", "fw.mot", "notes.txt"}));
    EXPECT_EQ(Selected(f.FileListBox1), "fw.mot");
    EXPECT_EQ(Selected(f.DirectoryListBox1), indent + "  書込み");
    EXPECT_EQ(errors.size(), 1u);

    // A port typed, then the list opened: the system's ports in their order, the text as typed.
    SendMessageW(f.ComboBox1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"com7"));
    SendMessageW(f.ComboBox1, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(f.ComboBox1, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(ComboItems(f.ComboBox1), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10"}));
    EXPECT_EQ(Text(f.ComboBox1), "com7");

    SetWindowPos(f.Handle(), nullptr, 300, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(f.Handle()));
    EXPECT_EQ(RegDword(L"WindowTop"), 50u);
    EXPECT_EQ(RegDword(L"WindowLeft"), 300u);
    EXPECT_EQ(RegString(L"FileName"), Widen(file));
    EXPECT_EQ(RegString(L"COM"), L"com7");
    EXPECT_EQ(RegString(L"CPU"), L"M16C");
    EXPECT_EQ(RegDword(L"ModePin"), 1u);  // hidden, still checked

    // The next run opens as this one closed.
    TForm1& again = Open();
    EXPECT_EQ(FrameRect(again.Handle()).left, 300);
    EXPECT_EQ(FrameRect(again.Handle()).top, 50);
    EXPECT_EQ(Text(again.Edit1), file);
    EXPECT_EQ(Selected(again.FileListBox1), "fw.mot");
    EXPECT_EQ(Text(again.ComboBox1), "com7");
    EXPECT_EQ(Text(again.ComboBox2), "M16C");
    EXPECT_EQ(SendMessageW(again.CheckBox1, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(errors.size(), 1u);
}

// The window's choices under the system menu's own items: ticked by their commands, shown
// checked, and in the registry after the close only once chosen.
TEST_F(Win32Window, SystemMenuChoicesToggleAndATickReachesTheRegistry) {
    TForm1& f = Open();
    HMENU menu = GetSystemMenu(f.Handle(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    auto text = [&menu](int position) {
        wchar_t buffer[64] = {};
        GetMenuStringW(menu, position, buffer, 64, MF_BYPOSITION);
        return Narrow(buffer);
    };
    auto checked = [&menu](int position) {
        return (GetMenuState(menu, position, MF_BYPOSITION) & MF_CHECKED) != 0;
    };
    const int fast = count - 2, sum = count - 1;
    EXPECT_TRUE(GetMenuState(menu, count - 3, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(text(fast), "高速通信 (115200)");
    EXPECT_EQ(text(sum), "チェックデータで照合");
    EXPECT_FALSE(checked(fast));
    EXPECT_FALSE(checked(sum));

    // The system adds its own bits to the low four of the command.
    SendMessageW(f.Handle(), WM_SYSCOMMAND, GetMenuItemID(menu, fast) | 0x2, 0);
    EXPECT_TRUE(checked(fast));
    SendMessageW(f.Handle(), WM_SYSCOMMAND, GetMenuItemID(menu, sum), 0);
    SendMessageW(f.Handle(), WM_SYSCOMMAND, GetMenuItemID(menu, sum), 0);
    EXPECT_TRUE(checked(fast));
    EXPECT_FALSE(checked(sum));
    EXPECT_TRUE(IsWindowVisible(f.Handle()));
    SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(RegDword(L"Baud"), 115200u);
    EXPECT_EQ(RegString(L"VerifyBy"), L"read");

    TForm1& again = Open();
    menu = GetSystemMenu(again.Handle(), FALSE);
    EXPECT_TRUE(checked(fast));
    EXPECT_FALSE(checked(sum));
    EXPECT_TRUE(errors.empty());
}

// The test's hand on the ID code dialog, called by a thread timer while the dialog's own loop
// runs: it types the code in lower case and presses OK, or gives up after a while.
struct DialogHand {
    TForm1* form = nullptr;
    TForm2* dialog = nullptr;
    std::string status, family;
    POINT offset{};
    int ticks = 0;
    bool answered = false;
};
DialogHand* hand = nullptr;

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (!hand || !IsWindowVisible(hand->dialog->Handle()) || hand->answered) return;
    if (++hand->ticks > 200) {
        PostMessageW(hand->dialog->Handle(), WM_CLOSE, 0, 0);
        return;
    }
    hand->answered = true;
    hand->status = StatusText(hand->dialog->StatusBar1);
    hand->family = Text(hand->dialog->ComboBox1);
    const RECT main = FrameRect(hand->form->Handle()), at = FrameRect(hand->dialog->Handle());
    hand->offset = {at.left - main.left, at.top - main.top};
    const char* fields[] = {"0a", "1b", "2c", "3d", "4e", "5f", "60"};
    for (std::size_t i = 0; i < 7; ++i) {
        for (const char* c = fields[i]; *c; ++c) {
            PostMessageW(hand->dialog->Edits[i], WM_CHAR, static_cast<WPARAM>(*c), 1);
        }
    }
    PostMessageW(hand->dialog->Button1, BM_CLICK, 0, 0);
}

TEST_F(Win32Window, AClickWritesAProtectedChipUnlockedInTheDialog) {
    sim::ChipConfig config;
    config.version = "VER.1.48";
    config.idCode = sim::IdCode{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60};
    sim::VirtualLink line(config);
    ports = &line.Opener();
    Remember(WriteFile("prog.mot", 0xC2FF, 0x300), "COM3");
    TForm1& f = Open();
    ASSERT_TRUE(errors.empty()) << errors.front();

    Recorder recorder;
    recorder.Attach(f);
    // Once the chip is unlocked, the user clicks Erase and closes the window: the click is dropped,
    // the close waits for the end of the write.
    recorder.onStatus = [&](const std::string& text) {
        if (text != kErasing) return;
        PostMessageW(f.Button2, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(f.Button2, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PostMessageW(f.Handle(), WM_CLOSE, 0, 0);
    };
    DialogHand answer;
    answer.form = &f;
    answer.dialog = dialog.get();
    hand = &answer;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerDialog);
    SendMessageW(f.Button1, BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
    hand = nullptr;

    EXPECT_EQ(recorder.statuses,
              (std::vector<std::string>{kStartWrite, kChecking, kConnecting, kIdAllFF, kIdFile,
                                        kIdVerified, kErasing, kErased, kProgramming, kVerifying,
                                        kWritten}));
    EXPECT_EQ(recorder.progress, (std::vector<int>{0, 5, 10, 40, 70, 40, 70, 99}));
    EXPECT_EQ(Text(f.Label3), "VER.1.48");
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{0x30});
    for (std::uint32_t a = 0xC000; a < 0xC300; ++a) ASSERT_EQ(line.Target().Read(a), a & 0xFF) << a;

    EXPECT_EQ(answer.status, kIdProtected);
    EXPECT_EQ(answer.family, "R8C");
    EXPECT_EQ(answer.offset.x, 100);
    EXPECT_EQ(answer.offset.y, 100);
    EXPECT_EQ(Text(dialog->Edits[0]), "0A");  // typed in lower case
    EXPECT_EQ(Text(dialog->Edits[5]), "5F");
    EXPECT_EQ(f.Core().DialogIdCode(), (IdCodeBytes{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60}));
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));

    // The close that came during the write happens now, once.
    EXPECT_TRUE(IsWindow(f.Handle()));
    Pump();
    EXPECT_FALSE(IsWindow(f.Handle()));
    EXPECT_EQ(RegString(L"COM"), L"COM3");
}

// A write by a click through a COM port that wine-window.sh maps to bramblet-sim; the script
// compares the chip's flash, which the simulator saves at its end, with the file, and reads the
// link from the simulator's log. With BRAMBLET_WINE_FAST set, the settings hold the fast link
// and the verify by check data.
TEST_F(Win32Window, AClickWritesThroughAComPort) {
    // The wide environment: the file's folder has a Japanese name.
    const wchar_t* port = _wgetenv(L"BRAMBLET_WINE_PORT");
    const wchar_t* file = _wgetenv(L"BRAMBLET_WINE_FILE");
    if (!port || !file) GTEST_SKIP() << "wine-window.sh sets the port and the file";
    const auto system = SystemPortOpener();
    ports = system.get();
    Remember(Narrow(file), Narrow(port), _wgetenv(L"BRAMBLET_WINE_FAST") != nullptr);
    TForm1& f = Open();
    ASSERT_TRUE(errors.empty()) << errors.front();
    Recorder recorder;
    recorder.Attach(f);
    SendMessageW(f.Button1, BM_CLICK, 0, 0);
    ASSERT_FALSE(recorder.statuses.empty());
    EXPECT_EQ(recorder.statuses.back(), kWritten);
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{0x30});
    EXPECT_EQ(recorder.progress.back(), 99);
}

}  // namespace
}  // namespace bramblet::win32ui
