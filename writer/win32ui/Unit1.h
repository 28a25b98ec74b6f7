#pragma once
// TForm1, the main window in Win32: its controls, made from the window's layout table, and their
// notifications handed to the window's rules (MainForm), which it serves as their face.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "writer/form/MainForm.h"
#include "writer/win32ui/Application.h"
#include "writer/win32ui/Controls.h"

namespace bramblet::win32ui {

class TForm2;

// What the window needs from the system; the program passes the real ones, tests their own.
struct Form1Services {
    form::FormServices form;
    // The error box titled "Bramblet2"; a modal message box unless replaced.
    std::function<void(const std::string&)> showError;
};

class TForm1 : public FormWindow, private form::MainFace, private form::BrowserFace {
public:
    // Creates the window, hidden, owned by the application's window; `arguments` is the command
    // line without the program's name.
    TForm1(Application& application, Form1Services services, std::vector<std::string> arguments);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    void SetIdCodeDialog(TForm2* dialog) { form2_ = dialog; }
    // Shows the window; the first time, FormShow runs just before it becomes visible.
    void Show();

    // The controls, in the order of the window's declaration. OpenDialog1 is the system's
    // file-open dialog, made when it is shown.
    HWND DriveComboBox1 = nullptr;
    HWND DirectoryListBox1 = nullptr;
    HWND FileListBox1 = nullptr;
    HWND Edit1 = nullptr;
    HWND StatusBar1 = nullptr;
    HWND ComboBox1 = nullptr;
    HWND Button1 = nullptr;
    HWND Label1 = nullptr;
    HWND ProgressBar1 = nullptr;
    HWND Label2 = nullptr;
    HWND Label3 = nullptr;
    HWND Button2 = nullptr;
    HWND ComboBox2 = nullptr;
    HWND Button3 = nullptr;
    HWND Label4 = nullptr;
    HWND CheckBox1 = nullptr;
    HWND Label5 = nullptr;

    // The window's rules, and through them the session of the board it writes.
    form::MainForm& Form() { return form_; }
    const Session& Core() const { return form_.Core(); }

private:
    static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void ReportError(const std::string& text) override { ShowError(text); }
    void CreateControls();
    // The window's choices below the system menu's own items, with their check marks.
    void AddChoicesToSystemMenu();
    void ShowChoicesChecked();
    void OnCommand(HWND control, int code);
    void OnDropFiles(HDROP drop);
    // The user input that an operation drops: keyboard and mouse, to this window or its controls.
    bool IsInputToThisWindow(const MSG& message) const;

    // MainFace.
    std::string FileName() const override;
    void SetFileName(const std::string& text) override;
    std::string PortName() const override;
    void SetPortName(const std::string& text) override;
    void SetPortItems(const std::vector<std::string>& names) override;
    std::string CpuFamily() const override;
    void SetCpuFamily(const std::string& text) override;
    bool ModePin() const override;
    void SetModePin(bool checked) override;
    void SetModePinVisible(bool visible) override;
    int Top() const override;
    int Left() const override;
    void SetTop(int top) override;
    void SetLeft(int left) override;
    void FocusFileName() override;
    void AcceptDrops() override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void SetVersionText(const std::string& text) override;
    void SetFileCheckText(const std::string& text) override;
    void SetButtonEnabled(ActionButton button, bool enabled) override;
    void ShowError(const std::string& text) override;
    std::optional<std::string> ChooseFile(const form::OpenDialogDefaults& defaults) override;
    std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) override;
    void BeginOperation() override { dropInput_ = true; }
    void EndOperation() override { dropInput_ = false; }
    void KeepPainted() override;
    void Close() override;

    // BrowserFace.
    std::string SelectedFile() const override;
    void ShowFolder(const std::string& folder) override;
    void SetMask(const std::string& mask) override;
    void SelectFile(const std::string& name) override;
    void ListFiles();

    Application& application_;
    Form1Services services_;
    TForm2* form2_ = nullptr;
    bool shown_ = false;
    bool dropInput_ = false;  // while an operation runs
    HWND focus_ = nullptr;    // the control that has the focus when the window is active
    std::string folder_;      // the folder the lists show
    std::string mask_ = "*";
    std::vector<std::string> folderPaths_;  // the folder list's rows
    std::vector<std::string> driveRoots_;   // the drive selector's items
    form::MainForm form_;
};

}  // namespace bramblet::win32ui
