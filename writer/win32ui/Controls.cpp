#include "writer/win32ui/Controls.h"

#include <commctrl.h>
#include <commdlg.h>

#include <exception>
#include <map>

#include "text/Wide.h"

namespace bramblet::win32ui {

using text::Narrow;
using text::Widen;

namespace {

using form::ControlKind;

HINSTANCE Module() {
    return GetModuleHandleW(nullptr);
}

// Room for the dropped list of a combo box, below its field.
constexpr int kDropListHeight = 160;

// A combo box's field is as high as its font makes it: the field's height is set so that the
// closed box is as high as the table says.
void FitComboHeight(HWND combo, int height) {
    const RECT frame = FrameRect(combo);
    const LRESULT field = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (field == CB_ERR) return;
    const int change = height - (frame.bottom - frame.top);
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + change);
}

SIZE TextSize(HWND window, const std::wstring& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    size.cy = metrics.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

std::wstring CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return folder;
}

}  // namespace

HFONT FormFont(int pixels) {
    static std::map<int, HFONT> fonts;
    HFONT& font = fonts[pixels];
    if (!font) {
        // A negative height is the characters' own height, as the font's pixel size is meant.
        font = CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, Widen(form::kFontFamily).c_str());
    }
    return font;
}

HWND CreateControl(HWND parent, const form::ControlLayout& layout, int id) {
    const wchar_t* windowClass = nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int height = layout.height;
    switch (layout.kind) {
        case ControlKind::DriveBox:
            windowClass = WC_COMBOBOXW;
            style |= CBS_DROPDOWNLIST | WS_VSCROLL;
            height += kDropListHeight;
            break;
        case ControlKind::FolderList:
            windowClass = WC_LISTBOXW;
            style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::FileList:
            windowClass = WC_LISTBOXW;
            style |= LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Edit:
            windowClass = WC_EDITW;
            style |= ES_AUTOHSCROLL | (layout.upperCase ? ES_UPPERCASE : 0);
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::StatusBar:
            windowClass = STATUSCLASSNAMEW;
            // Where the table puts it, not where the status bar would put itself.
            style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
            break;
        case ControlKind::ComboBox:
            windowClass = WC_COMBOBOXW;
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
            height += kDropListHeight;
            break;
        case ControlKind::Button:
            windowClass = WC_BUTTONW;
            style |= BS_PUSHBUTTON;
            break;
        case ControlKind::Label:
            windowClass = WC_STATICW;
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case ControlKind::ProgressBar:
            windowClass = PROGRESS_CLASSW;
            break;
        case ControlKind::CheckBox:
            windowClass = WC_BUTTONW;
            style |= BS_AUTOCHECKBOX;
            break;
        case ControlKind::OpenDialog:
            return nullptr;
    }
    HWND control = CreateWindowExW(
        exStyle, windowClass, L"", style, layout.left, layout.top, layout.width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Module(), nullptr);
    if (!control) return nullptr;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(layout.fontPixels)), FALSE);
    switch (layout.kind) {
        case ControlKind::Edit:
            if (layout.maxLength > 0) SendMessageW(control, EM_LIMITTEXT, layout.maxLength, 0);
            break;
        case ControlKind::DriveBox:
        case ControlKind::ComboBox:
            FitComboHeight(control, layout.height);
            break;
        case ControlKind::StatusBar:
            SendMessageW(control, SB_SIMPLE, TRUE, 0);
            MoveWindow(control, layout.left, layout.top, layout.width, layout.height, FALSE);
            break;
        case ControlKind::ProgressBar:
            SendMessageW(control, PBM_SETRANGE32, 0, 100);
            SendMessageW(control, PBM_SETPOS, 0, 0);
            break;
        default:
            break;
    }
    if (layout.autoSize) {
        SetAutoSizeText(control, layout.text);
    } else if (layout.kind != ControlKind::StatusBar) {
        SetText(control, layout.text);
    }
    return control;
}

std::string Text(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
    return Narrow(text);
}

void SetText(HWND window, const std::string& text) {
    SetWindowTextW(window, Widen(text).c_str());
}

void SetAutoSizeText(HWND label, const std::string& text) {
    const std::wstring wide = Widen(text);
    SetWindowTextW(label, wide.c_str());
    const SIZE size = TextSize(label, wide);
    SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetStatusText(HWND statusBar, const std::string& text) {
    SendMessageW(statusBar, SB_SETTEXTW, SB_SIMPLEID,
                 reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void SetComboItems(HWND combo, const std::vector<std::string>& items) {
    const std::wstring text = Widen(Text(combo));
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
    }
    SetWindowTextW(combo, text.c_str());
}

std::optional<std::string> ChooseInDialog(HWND owner, const form::OpenDialogDefaults& defaults) {
    std::wstring file = Widen(defaults.fileName);
    file.resize(32768, L'\0');
    const std::wstring extension = Widen(defaults.defaultExtension);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
    // The dialog moves the current folder as the user browses, but the current folder is the one
    // the browser shows: it moves only when the chosen path is applied to the browser.
    const std::wstring folder = CurrentDirectory();
    const BOOL chosen = GetOpenFileNameW(&dialog);
    SetCurrentDirectoryW(folder.c_str());
    if (!chosen) return std::nullopt;
    return Narrow(file.c_str());
}

bool PressFocusedButton(HWND window) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(window, focus)) return false;
    const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, 0, 0);
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
}

void ShowErrorBox(HWND owner, const std::string& text) {
    MessageBoxW(owner, Widen(text).c_str(), Widen(form::kApplicationTitle).c_str(),
                MB_OK | MB_ICONERROR);
}

void RegisterFormClass(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(Module(), name, &existing)) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = Module();
    windowClass.hIcon = LoadIconW(Module(), MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

bool FormWindow::CreateFormWindow(const wchar_t* className, const std::string& caption, DWORD style,
                                  DWORD exStyle, int left, int top, int width, int height,
                                  HWND owner) {
    RegisterFormClass(className, WindowProc);
    CreateWindowExW(exStyle, className, Widen(caption).c_str(), style, left, top, width, height,
                    owner, nullptr, Module(), this);
    return window_ != nullptr;
}

LRESULT CALLBACK FormWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        self->ReportError(e.what());
    }
    return 0;
}

RECT FrameRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT PlaceInParent(HWND child) {
    RECT rect = FrameRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace bramblet::win32ui
