#pragma once
// Win32 controls made from the windows' layout tables, and the few calls both windows share.
#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "writer/form/Layout.h"
#include "writer/form/MainForm.h"

namespace bramblet::win32ui {

// The windows' font at a pixel height, with the Shift-JIS character set; made once a size and
// kept for the life of the process.
HFONT FormFont(int pixels);

// A control's identifier: its row in its window's table, above the identifiers that the dialog
// manager gives Enter and Escape (IDOK, IDCANCEL), so neither presses a button by itself.
constexpr int kFirstControlId = 100;
constexpr int ControlId(std::size_t row) {
    return kFirstControlId + static_cast<int>(row);
}

// Creates every visible control of `table` in `parent`, in the table's order, with its identifier,
// place, font and first text; the open dialog has no window and gets none. Returns the windows by
// row.
template <std::size_t N>
std::array<HWND, N> CreateControls(HWND parent, const std::array<form::ControlLayout, N>& table);
HWND CreateControl(HWND parent, const form::ControlLayout& layout, int id);

// The keyboard order: the named controls of `table` first in the window's z-order, in this order
// (the order in which the dialog manager walks them), each with a tab stop.
template <std::size_t N, std::size_t M>
void SetTabOrder(HWND parent, const std::array<form::ControlLayout, N>& table,
                 const std::array<std::string_view, M>& names);

// The captions of `texts` as `table` has them, each control where `table` places it.
template <std::size_t N, std::size_t M>
void ShowTexts(HWND parent, const std::array<form::ControlLayout, N>& table,
               const std::array<form::LanguageText, M>& texts);

// Texts as UTF-8.
std::string Text(HWND window);
void SetText(HWND window, const std::string& text);
// A label that sizes itself to its text.
void SetAutoSizeText(HWND label, const std::string& text);
// The one simple panel of a status bar.
void SetStatusText(HWND statusBar, const std::string& text);

// A combo box's items replaced, its text kept.
void SetComboItems(HWND combo, const std::vector<std::string>& items);

// The system's file-open dialog, modally, with the window's defaults: the full path chosen, or
// nothing when cancelled.
std::optional<std::string> ChooseInDialog(HWND owner, const form::OpenDialogDefaults& defaults);

// Enter in a window that is no dialog: the focused push button is pressed, as Space presses
// it; true when there was one. Nothing presses a button by being the default.
bool PressFocusedButton(HWND window);

// The error box titled "Bramblet2".
void ShowErrorBox(HWND owner, const std::string& text);

// Registers a window class of this module once, with the form's button-face background.
void RegisterFormClass(const wchar_t* name, WNDPROC procedure);

// A form's window: its messages go to OnMessage, and an error that escapes a handler is reported
// and the window goes on with the next message, rather than unwinding through the system.
class FormWindow {
public:
    HWND Handle() const { return window_; }

protected:
    FormWindow() = default;
    ~FormWindow() = default;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Creates the window, hidden, of a class of this name; false when it cannot be made.
    bool CreateFormWindow(const wchar_t* className, const std::string& caption, DWORD style,
                          DWORD exStyle, int left, int top, int width, int height, HWND owner);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void ReportError(const std::string& text) = 0;

    HWND window_ = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// A window's frame, or a child's place in its parent's client area.
RECT FrameRect(HWND window);
RECT PlaceInParent(HWND child);

template <std::size_t N>
std::array<HWND, N> CreateControls(HWND parent, const std::array<form::ControlLayout, N>& table) {
    std::array<HWND, N> windows{};
    for (std::size_t row = 0; row < N; ++row) {
        windows[row] = CreateControl(parent, table[row], ControlId(row));
    }
    return windows;
}

template <std::size_t N, std::size_t M>
void ShowTexts(HWND parent, const std::array<form::ControlLayout, N>& table,
               const std::array<form::LanguageText, M>& texts) {
    for (const form::LanguageText& t : texts) {
        for (std::size_t row = 0; row < N; ++row) {
            if (std::string_view(t.name) != table[row].name) continue;
            const form::ControlLayout& layout = table[row];
            HWND control = GetDlgItem(parent, ControlId(row));
            if (layout.autoSize) {
                SetWindowPos(control, nullptr, layout.left, layout.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                SetAutoSizeText(control, layout.text);
            } else {
                SetText(control, layout.text);
                MoveWindow(control, layout.left, layout.top, layout.width, layout.height, TRUE);
            }
        }
    }
    InvalidateRect(parent, nullptr, TRUE);
}

template <std::size_t N, std::size_t M>
void SetTabOrder(HWND parent, const std::array<form::ControlLayout, N>& table,
                 const std::array<std::string_view, M>& names) {
    HWND previous = HWND_TOP;
    for (std::string_view name : names) {
        for (std::size_t row = 0; row < N; ++row) {
            if (name != table[row].name) continue;
            HWND control = GetDlgItem(parent, ControlId(row));
            SetWindowLongPtrW(control, GWL_STYLE,
                              GetWindowLongPtrW(control, GWL_STYLE) | WS_TABSTOP);
            SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            previous = control;
        }
    }
}

}  // namespace bramblet::win32ui
