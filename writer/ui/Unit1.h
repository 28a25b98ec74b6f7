#pragma once
// TForm1, the main window in Qt: its widgets, built from the window's layout table, and their
// events wired to the window's rules (MainForm), which it serves as their face.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "writer/form/MainForm.h"
#include "writer/ui/FileBrowser.h"

namespace bramblet::ui {

class TForm2;

// What the window needs from the system; the program passes the real ones, tests their own.
struct Form1Services {
    PortOpener* ports = nullptr;
    SettingsStore* settings = nullptr;
    std::function<std::optional<std::vector<std::string>>()> portNames;
    std::function<void(std::uint32_t)> beep;
    // The error box titled "Bramblet2"; a modal message box unless replaced.
    std::function<void(const QString&)> showError;
};

// An edit field that reports double-clicks.
class TEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> onDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A drop-down box that reports the opening of its list before the list is shown.
class TDropDownComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown;
    void showPopup() override;
};

class TForm1 : public QWidget, private form::MainFace, private form::BrowserFace {
public:
    // `arguments` is the command line without the program's name.
    TForm1(Form1Services services, QStringList arguments);
    ~TForm1() override;
    void SetIdCodeDialog(TForm2* dialog) { form2_ = dialog; }

    // The controls, in the order of the window's declaration.
    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TFileListBox* FileListBox1;
    TEdit* Edit1;
    QStatusBar* StatusBar1;
    TDropDownComboBox* ComboBox1;
    QPushButton* Button1;
    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* Button2;
    QComboBox* ComboBox2;
    QFileDialog* OpenDialog1;
    QPushButton* Button3;
    QLabel* Label4;
    QCheckBox* CheckBox1;
    QLabel* Label5;
    // The window's own menu, on its status line and background: the window's choices.
    QMenu* PopupMenu1;

    // The window's rules, and through them the session of the board it writes.
    form::MainForm& Form() { return form_; }
    const Session& Core() const { return form_.Core(); }
    bool Busy() const { return form_.Busy(); }
    void UpdateModePinVisibility() { form_.UpdateModePinVisibility(); }

    std::string CpuFamily() const override;
    void SetVersionText(const std::string& text) override;
    std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();

    // MainFace.
    std::string FileName() const override;
    void SetFileName(const std::string& text) override;
    std::string PortName() const override;
    void SetPortName(const std::string& text) override;
    void SetPortItems(const std::vector<std::string>& names) override;
    void SetCpuFamily(const std::string& text) override;
    bool ModePin() const override;
    void SetModePin(bool checked) override;
    void SetModePinVisible(bool visible) override;
    int Top() const override { return y(); }
    int Left() const override { return x(); }
    void SetTop(int top) override { move(x(), top); }
    void SetLeft(int left) override { move(left, y()); }
    void FocusFileName() override;
    void AcceptDrops() override { setAcceptDrops(true); }
    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void SetFileCheckText(const std::string& text) override;
    void SetButtonEnabled(ActionButton button, bool enabled) override;
    void ShowError(const std::string& text) override;
    std::optional<std::string> ChooseFile(const form::OpenDialogDefaults& defaults) override;
    void BeginOperation() override;
    void EndOperation() override;
    void KeepPainted() override;
    void Close() override { close(); }

    // BrowserFace.
    std::string SelectedFile() const override;
    void ShowFolder(const std::string& folder) override;
    void SetMask(const std::string& mask) override;
    void SelectFile(const std::string& name) override;

    Form1Services services_;
    TForm2* form2_ = nullptr;
    bool shown_ = false;
    bool filtering_ = false;  // user input is dropped while an operation runs
    form::MainForm form_;
};

}  // namespace bramblet::ui
