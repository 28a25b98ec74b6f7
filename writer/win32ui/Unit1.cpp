#include "writer/win32ui/Unit1.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "text/Wide.h"
#include "writer/common/Text.h"
#include "writer/form/FileBrowser.h"
#include "writer/form/Layout.h"
#include "writer/win32ui/Controls.h"
#include "writer/win32ui/Unit2.h"

namespace bramblet::win32ui {

using text::Narrow;
using text::Widen;

namespace {

constexpr wchar_t kClassName[] = L"TForm1";
// Fixed single border, system menu and minimise only.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The system menu's commands of the window's choices, one a row. The system keeps the low four
// bits of a WM_SYSCOMMAND for itself, and its own commands start at 0xF000.
constexpr UINT kFirstChoiceCommand = 0x0100;
constexpr UINT ChoiceCommand(std::size_t row) {
    return kFirstChoiceCommand + 0x10 * static_cast<UINT>(row);
}

bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
           message == WM_MOUSEHOVER || message == WM_MOUSELEAVE || message == WM_NCMOUSEHOVER ||
           message == WM_NCMOUSELEAVE;
}

// The drive selector lists drives as "[-c-]"; the browser knows them by their roots.
std::string DriveRoot(const std::wstring& item) {
    if (item.size() == 5 && item.compare(0, 2, L"[-") == 0 && item.compare(3, 2, L"-]") == 0) {
        return std::string(1, AsciiUpper(static_cast<char>(item[2]))) + ":\\";
    }
    return Narrow(item);
}

std::wstring ListText(HWND list, UINT lengthMessage, UINT textMessage, LRESULT index) {
    const LRESULT length = SendMessageW(list, lengthMessage, index, 0);
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got =
        SendMessageW(list, textMessage, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return text;
}

}  // namespace

TForm1::TForm1(Application& application, Form1Services services, std::vector<std::string> arguments)
    : application_(application),
      services_(std::move(services)),
      form_(*this, *this, services_.form, std::move(arguments)) {
    RECT frame{0, 0, form::kForm1.width, form::kForm1.height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    if (!CreateFormWindow(kClassName, form::kForm1.caption, kStyle, 0, form::kForm1Left,
                          form::kForm1Top, frame.right - frame.left, frame.bottom - frame.top,
                          application_.Handle()))
        throw std::runtime_error("the main window cannot be created");
    application_.SetMainWindow(window_);
    CreateControls();
    AddChoicesToSystemMenu();
    form_.FormCreate();
}

TForm1::~TForm1() {
    if (window_) DestroyWindow(window_);
}

void TForm1::CreateControls() {
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(form::kFontPixels)), FALSE);
    const auto controls = win32ui::CreateControls(window_, form::kForm1Controls);
    HWND* const fields[] = {
        &DriveComboBox1, &DirectoryListBox1, &FileListBox1, &Edit1,        &StatusBar1,
        &ComboBox1,      &Button1,           &Label1,       &ProgressBar1, &Label2,
        &Label3,         &Button2,           &ComboBox2,    nullptr,       &Button3,
        &Label4,         &CheckBox1,         &Label5};
    static_assert(std::size(fields) == form::kForm1Controls.size());
    for (std::size_t row = 0; row < controls.size(); ++row) {
        if (fields[row]) *fields[row] = controls[row];
    }
    SetTabOrder(window_, form::kForm1Controls, form::kForm1TabOrder);
    SetComboItems(ComboBox2, form::MainFamilyItems());

    std::wstring drives(MAX_PATH, L'\0');
    drives.replace(0, 1, L"*");
    DlgDirListComboBoxW(window_, drives.data(), GetDlgCtrlID(DriveComboBox1), 0,
                        DDL_DRIVES | DDL_EXCLUSIVE);
    const LRESULT count = SendMessageW(DriveComboBox1, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        driveRoots_.push_back(
            DriveRoot(ListText(DriveComboBox1, CB_GETLBTEXTLEN, CB_GETLBTEXT, i)));
    }
    SetWindowSubclass(Edit1, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TForm1::AddChoicesToSystemMenu() {
    HMENU menu = GetSystemMenu(window_, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::vector<form::MenuItem> items = form_.MenuItems();
    for (std::size_t row = 0; row < items.size(); ++row) {
        AppendMenuW(menu, MF_STRING, ChoiceCommand(row), Widen(items[row].text).c_str());
    }
}

void TForm1::ShowChoicesChecked() {
    HMENU menu = GetSystemMenu(window_, FALSE);
    const std::vector<form::MenuItem> items = form_.MenuItems();
    for (std::size_t row = 0; row < items.size(); ++row) {
        CheckMenuItem(menu, ChoiceCommand(row),
                      MF_BYCOMMAND | (items[row].checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void TForm1::Show() {
    // Before the window is visible, as it opens where the settings put it.
    if (!std::exchange(shown_, true)) {
        form_.FormShow();
        ShowChoicesChecked();  // as the settings have them
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

LRESULT CALLBACK TForm1::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, EditProc, 1);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_LBUTTONDBLCLK) {
        auto* self = reinterpret_cast<TForm1*>(data);
        try {
            self->form_.Edit1DblClick();
        } catch (const std::exception& e) {
            self->ShowError(e.what());
        }
    }
    return result;
}

LRESULT TForm1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam) {
                OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            } else if (LOWORD(wParam) == IDOK && !PressFocusedButton(window_) &&
                       GetFocus() == DirectoryListBox1) {
                // Enter in the folder list opens the folder, as a double-click does.
                OnCommand(DirectoryListBox1, LBN_DBLCLK);
            }
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_CLOSE:
            if (form_.CloseRequested()) DestroyWindow(window_);
            return 0;
        case WM_QUERYENDSESSION:
            return form_.CloseRequested() ? TRUE : FALSE;
        case WM_SYSCOMMAND: {
            const UINT command = wParam & 0xFFF0;
            // The program is minimised, with its button.
            if (command == SC_MINIMIZE) {
                ShowWindow(application_.Handle(), SW_MINIMIZE);
                return 0;
            }
            const std::size_t rows = form_.MenuItems().size();
            if (command >= kFirstChoiceCommand && command < ChoiceCommand(rows)) {
                form_.MenuItemClick((command - kFirstChoiceCommand) / 0x10);
                ShowChoicesChecked();
                return 0;
            }
            break;
        }
        case WM_ACTIVATE:
            // The focus comes back to the control that had it.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(window_, focus)) focus_ = focus;
            } else if (focus_ && IsWindow(focus_) && !HIWORD(wParam)) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_DESTROY:
            DragAcceptFiles(window_, FALSE);
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TForm1::OnCommand(HWND control, int code) {
    if (control == Button1 && code == BN_CLICKED) {
        form_.Button1Click();
    } else if (control == Button2 && code == BN_CLICKED) {
        form_.Button2Click();
    } else if (control == Button3 && code == BN_CLICKED) {
        form_.Button3Click();
    } else if (control == ComboBox1 && code == CBN_DROPDOWN) {
        form_.ComboBox1DropDown();
    } else if (control == ComboBox2 && code == CBN_EDITCHANGE) {
        form_.ComboBox2Change();
    } else if (control == ComboBox2 && code == CBN_SELCHANGE) {
        // The box shows the picked item only after this notification; the rules read it now.
        const LRESULT picked = SendMessageW(ComboBox2, CB_GETCURSEL, 0, 0);
        if (picked == CB_ERR) return;
        SetWindowTextW(ComboBox2,
                       ListText(ComboBox2, CB_GETLBTEXTLEN, CB_GETLBTEXT, picked).c_str());
        form_.ComboBox2Change();
    } else if (control == FileListBox1 && code == LBN_DBLCLK) {
        form_.FileListBox1DblClick();
    } else if (control == DirectoryListBox1 && code == LBN_DBLCLK) {
        const LRESULT row = SendMessageW(DirectoryListBox1, LB_GETCURSEL, 0, 0);
        if (row >= 0 && static_cast<std::size_t>(row) < folderPaths_.size()) {
            form_.Browser().Open(folderPaths_[row]);
        }
    } else if (control == DriveComboBox1 && code == CBN_SELCHANGE) {
        const LRESULT drive = SendMessageW(DriveComboBox1, CB_GETCURSEL, 0, 0);
        if (drive >= 0 && static_cast<std::size_t>(drive) < driveRoots_.size()) {
            form_.Browser().Open(driveRoots_[drive]);
        }
    }
}

void TForm1::OnDropFiles(HDROP drop) {
    // The handle is released when the handler ends, also when a step of it fails.
    struct Release {
        HDROP drop;
        ~Release() { DragFinish(drop); }
    } release{drop};
    // The whole path: the rules cut it as the design's buffer does.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
    if (path.empty()) return;
    form_.FilesDropped(Narrow(path));
}

bool TForm1::IsInputToThisWindow(const MSG& message) const {
    return IsUserInput(message.message) && message.hwnd &&
           (message.hwnd == window_ || IsChild(window_, message.hwnd));
}

void TForm1::KeepPainted() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that ends on it
            return;
        }
        if (dropInput_ && IsInputToThisWindow(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TForm1::Close() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

std::string TForm1::FileName() const {
    return Text(Edit1);
}

void TForm1::SetFileName(const std::string& text) {
    SetText(Edit1, text);
}

std::string TForm1::PortName() const {
    return Text(ComboBox1);
}

void TForm1::SetPortName(const std::string& text) {
    SetText(ComboBox1, text);
}

void TForm1::SetPortItems(const std::vector<std::string>& names) {
    SetComboItems(ComboBox1, names);
}

std::string TForm1::CpuFamily() const {
    return Text(ComboBox2);
}

void TForm1::SetCpuFamily(const std::string& text) {
    SetText(ComboBox2, text);
}

bool TForm1::ModePin() const {
    return SendMessageW(CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm1::SetModePin(bool checked) {
    SendMessageW(CheckBox1, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TForm1::SetModePinVisible(bool visible) {
    ShowWindow(CheckBox1, visible ? SW_SHOWNA : SW_HIDE);
    ShowWindow(Label5, visible ? SW_SHOWNA : SW_HIDE);
}

int TForm1::Top() const {
    return FrameRect(window_).top;
}

int TForm1::Left() const {
    return FrameRect(window_).left;
}

void TForm1::SetTop(int top) {
    SetWindowPos(window_, nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::SetLeft(int left) {
    SetWindowPos(window_, nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::FocusFileName() {
    SendMessageW(Edit1, EM_SETSEL, 0, -1);
    focus_ = Edit1;
    // A window not shown yet gives the focus to it when it is activated.
    if (IsWindowVisible(window_)) SetFocus(Edit1);
}

void TForm1::AcceptDrops() {
    DragAcceptFiles(window_, TRUE);
}

void TForm1::SetStatus(const std::string& text) {
    SetStatusText(StatusBar1, text);
}

void TForm1::SetProgress(int position) {
    SendMessageW(ProgressBar1, PBM_SETPOS, position, 0);
}

void TForm1::SetVersionText(const std::string& text) {
    SetAutoSizeText(Label3, text);
}

void TForm1::SetFileCheckText(const std::string& text) {
    SetAutoSizeText(Label4, text);
}

void TForm1::SetButtonEnabled(ActionButton button, bool enabled) {
    switch (button) {
        case ActionButton::Write:
            EnableWindow(Button1, enabled);
            break;
        case ActionButton::Erase:
            EnableWindow(Button2, enabled);
            break;
        case ActionButton::Verify:
            EnableWindow(Button3, enabled);
            break;
    }
}

void TForm1::ShowError(const std::string& text) {
    if (services_.showError) {
        services_.showError(text);
        return;
    }
    ShowErrorBox(window_, text);
}

std::optional<std::string> TForm1::ChooseFile(const form::OpenDialogDefaults& defaults) {
    return ChooseInDialog(window_, defaults);
}

std::optional<IdCodeAnswer> TForm1::ShowIdCodeDialog(const std::string& family) {
    std::optional<IdCodeAnswer> answer;
    if (form2_) answer = form2_->Execute(family);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return answer;
}

std::string TForm1::SelectedFile() const {
    const LRESULT row = SendMessageW(FileListBox1, LB_GETCURSEL, 0, 0);
    if (row == LB_ERR) return {};
    const std::string name = Narrow(ListText(FileListBox1, LB_GETTEXTLEN, LB_GETTEXT, row));
    const bool separated = !folder_.empty() && (folder_.back() == '\\' || folder_.back() == '/');
    return folder_ + (separated ? "" : "\\") + name;
}

void TForm1::ShowFolder(const std::string& folder) {
    folder_ = folder;
    const form::FolderRows list = form::ListFolders(folder);
    SendMessageW(DirectoryListBox1, WM_SETREDRAW, FALSE, 0);
    SendMessageW(DirectoryListBox1, LB_RESETCONTENT, 0, 0);
    folderPaths_.clear();
    for (const form::FolderRow& row : list.rows) {
        SendMessageW(DirectoryListBox1, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Widen(row.text).c_str()));
        folderPaths_.push_back(row.path);
    }
    SendMessageW(DirectoryListBox1, LB_SETCURSEL, list.current, 0);
    SendMessageW(DirectoryListBox1, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(DirectoryListBox1, nullptr, TRUE);
    ListFiles();
    // The system's drive selector selects no drive itself.
    const std::optional<std::size_t> drive = form::DriveOf(driveRoots_, folder);
    SendMessageW(DriveComboBox1, CB_SETCURSEL, drive ? static_cast<WPARAM>(*drive) : -1, 0);
}

void TForm1::SetMask(const std::string& mask) {
    mask_ = mask;
    ListFiles();
}

void TForm1::ListFiles() {
    // The ordinary files of the current folder, which is the folder shown; the list sorts them.
    std::wstring pattern = Widen(mask_);
    pattern.resize(std::max<std::size_t>(pattern.size() + 1, MAX_PATH), L'\0');
    if (!DlgDirListW(window_, pattern.data(), GetDlgCtrlID(FileListBox1), 0,
                     DDL_READWRITE | DDL_READONLY | DDL_ARCHIVE)) {
        SendMessageW(FileListBox1, LB_RESETCONTENT, 0, 0);
    }
}

void TForm1::SelectFile(const std::string& name) {
    SendMessageW(FileListBox1, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const LRESULT row = SendMessageW(FileListBox1, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(Widen(name).c_str()));
    if (row != LB_ERR) SendMessageW(FileListBox1, LB_SETCURSEL, row, 0);
}

}  // namespace bramblet::win32ui
