#pragma once
// TForm1, the main window. It owns the state of a run (through its Writer) and implements the
// view of the window that the writer's operations talk to.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
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

#include "writer/core/Writer.h"
#include "writer/platform/Settings.h"
#include "writer/ui/FileBrowser.h"
#include "writer/ui/ResponsivePorts.h"

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

// Lengths first, then the user's locale, case-sensitive: COM2 before COM10.
int ComparePortNames(const QString& a, const QString& b);

class TForm1 : public QWidget, public WriterView {
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

    Writer& Core() { return writer_; }
    bool Busy() const { return busy_; }

    // Handlers.
    void FormShow();
    bool FormCloseQuery();
    void ComboBox2Change() { UpdateModePinVisibility(); }
    void ComboBox1DropDown() { RefreshComPortList(); }
    void FileListBox1DblClick();
    void Edit1DblClick();
    void WMDropFiles(const QString& firstDroppedPath);
    void Button1Click();
    void Button2Click();
    void Button3Click();

    // Operations shared by the handlers.
    void ShowFileCheckResult(bool selectFamily) { writer_.ShowFileCheckResult(selectFamily); }
    void RefreshComPortList();
    bool ApplyPathToBrowser(const QString& path);

    // WriterView.
    std::string FileName() const override;
    std::string PortName() const override;
    std::string CpuFamily() const override;
    void SetCpuFamily(const std::string& family) override;
    bool ModePin() const override;
    void UpdateModePinVisibility() override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void SetVersionText(const std::string& text) override;
    void SetFileCheckText(const std::string& text) override;
    void SetButtonEnabled(ActionButton button, bool enabled) override;
    void Beep(std::uint32_t type) override;
    std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateControls();
    void ShowError(const QString& text);
    void RunOperation(Outcome (Writer::*sequence)());
    void KeepPainted();
    void FocusEdit1();

    Form1Services services_;
    QStringList arguments_;
    ResponsivePorts ports_;
    Writer writer_;
    TForm2* form2_ = nullptr;
    bool shown_ = false;
    bool busy_ = false;
    bool closeRequested_ = false;
    bool closeRefused_ = false;  // a close has failed to save the settings once
    std::optional<QString> pendingDrop_;
};

}  // namespace bramblet::ui
