#include "writer/win32ui/Unit2.h"

#include <stdexcept>

#include "writer/form/Layout.h"
#include "writer/win32ui/Controls.h"

namespace bramblet::win32ui {
namespace {

constexpr wchar_t kClassName[] = L"TForm2";
// A dialog's border: caption and close box, not resizable.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

}  // namespace

TForm2::TForm2(HWND mainWindow) : main_(mainWindow), form_(*this) {
    RECT frame{0, 0, form::kForm2.width, form::kForm2.height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    // Centred on the screen until its first paint puts it beside the main window.
    if (!CreateFormWindow(kClassName, form::kForm2.caption, kStyle, kExStyle,
                          (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                          (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, main_))
        throw std::runtime_error("the ID code dialog cannot be created");
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(form::kFontPixels)), FALSE);

    const auto controls = CreateControls(window_, form::kForm2Controls);
    Label2 = controls[0];
    for (std::size_t i = 0; i < Edits.size(); ++i) Edits[i] = controls[1 + i];
    Button2 = controls[8];
    ComboBox1 = controls[9];
    Button1 = controls[10];
    Button3 = controls[11];
    StatusBar1 = controls[12];
    SetTabOrder(window_, form::kForm2Controls, form::kForm2TabOrder);
    SetComboItems(ComboBox1, form::DialogFamilyItems());
}

TForm2::~TForm2() {
    if (window_) DestroyWindow(window_);
}

std::optional<IdCodeAnswer> TForm2::Execute(const std::string& family, text::Lang lang) {
    form_.Opening(family, lang);
    form_.FormShow();
    closed_ = false;
    EnableWindow(main_, FALSE);
    FormPaint();
    ShowWindow(window_, SW_SHOW);
    SetFocus(Edits[0]);
    MSG message;
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the loop that ends on it sees it too.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    closed_ = true;
    // The main window is enabled first, so that it becomes the active window again.
    EnableWindow(main_, TRUE);
    ShowWindow(window_, SW_HIDE);
    return form_.Answer();
}

void TForm2::ShowLanguage(text::Lang lang) {
    SetText(window_, form::Form2(lang).caption);
    ShowTexts(window_, form::Form2Controls(lang), form::kForm2Texts);
}

LRESULT TForm2::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const HWND control = reinterpret_cast<HWND>(lParam);
            if (!control) {
                // Enter presses the focused button, and nothing else: no button is the default.
                if (LOWORD(wParam) == IDOK) PressFocusedButton(window_);
            } else if (HIWORD(wParam) == BN_CLICKED) {
                if (control == Button1) form_.Button1Click();
                if (control == Button2) form_.Button2Click();
                if (control == Button3) form_.Button3Click();
            }
            return 0;
        }
        case WM_PAINT:
            FormPaint();
            break;
        case WM_CLOSE:
            // The close box: closed with no answer.
            CloseDialog();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TForm2::FormPaint() {
    const RECT main = FrameRect(main_);
    const auto at = form::IdCodeForm::FormPaint(main.left, main.top);
    const RECT frame = FrameRect(window_);
    if (frame.left == at.left && frame.top == at.top) return;
    SetWindowPos(window_, nullptr, at.left, at.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TForm2::FieldText(std::size_t index) const {
    return Text(Edits[index]);
}

void TForm2::SetFieldText(std::size_t index, const std::string& text) {
    SetText(Edits[index], text);
}

std::string TForm2::FamilyText() const {
    return Text(ComboBox1);
}

void TForm2::SetFamilyText(const std::string& text) {
    SetText(ComboBox1, text);
}

void TForm2::SetStatus(const std::string& text) {
    SetStatusText(StatusBar1, text);
}

std::optional<std::string> TForm2::ChooseFile(const form::OpenDialogDefaults& defaults) {
    return ChooseInDialog(window_, defaults);
}

}  // namespace bramblet::win32ui
