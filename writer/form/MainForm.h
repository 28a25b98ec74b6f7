#pragma once
// TForm1's rules without a toolkit: what the main window does with its controls when it starts,
// closes, is given a file or a port, and runs an operation. The Qt window and the Win32 window
// are each a MainFace (their widgets) wired to one MainForm; nothing here knows which.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "writer/core/Session.h"
#include "writer/form/Choices.h"
#include "writer/form/FileBrowser.h"
#include "writer/form/ResponsivePorts.h"
#include "writer/platform/Settings.h"

namespace bramblet::form {

// How an open dialog is shown. Each also hides its read-only box, may be resized and takes a
// name that does not exist yet; no filter list, title or first folder is set.
struct OpenDialogDefaults {
    const char* defaultExtension;  // added to a name typed without one
    const char* fileName;          // the name field's first text
};
inline constexpr OpenDialogDefaults kWriteFileDialog{"MOT", "*.mot"};
inline constexpr OpenDialogDefaults kIdFileDialog{"ID", "*.id"};

// The families each family box lists: the main window the ones a file's addresses choose, the ID
// code dialog all of them.
std::vector<std::string> MainFamilyItems();
std::vector<std::string> DialogFamilyItems();

// The first dropped item's path as the window takes it: at most 254 UTF-16 units, the room the
// notification's 255-character buffer leaves, and never half of a character that needs two.
std::string DroppedPath(const std::string& path);

// The main window's widgets, as the rules see them. Texts are UTF-8.
class MainFace {
public:
    virtual ~MainFace() = default;

    virtual std::string FileName() const = 0;  // Edit1
    virtual void SetFileName(const std::string& text) = 0;
    virtual std::string PortName() const = 0;  // ComboBox1's text
    virtual void SetPortName(const std::string& text) = 0;
    // Replaces ComboBox1's items, keeping its text.
    virtual void SetPortItems(const std::vector<std::string>& names) = 0;
    virtual std::string CpuFamily() const = 0;  // ComboBox2's text
    virtual void SetCpuFamily(const std::string& text) = 0;
    virtual bool ModePin() const = 0;  // CheckBox1
    virtual void SetModePin(bool checked) = 0;
    virtual void SetModePinVisible(bool visible) = 0;  // CheckBox1 and Label5
    // The window's frame position in screen pixels.
    virtual int Top() const = 0;
    virtual int Left() const = 0;
    virtual void SetTop(int top) = 0;
    virtual void SetLeft(int left) = 0;
    // Selects the whole text of Edit1 and gives it the keyboard focus.
    virtual void FocusFileName() = 0;
    // Files dropped from the desktop reach the window from now on.
    virtual void AcceptDrops() = 0;

    virtual void SetStatus(const std::string& text) = 0;         // StatusBar1
    virtual void SetProgress(int position) = 0;                  // ProgressBar1
    virtual void SetVersionText(const std::string& text) = 0;    // Label3
    virtual void SetFileCheckText(const std::string& text) = 0;  // Label4
    virtual void SetButtonEnabled(ActionButton button, bool enabled) = 0;
    // The error box titled "Bramblet2".
    virtual void ShowError(const std::string& text) = 0;

    // OpenDialog1, modally: the full path chosen, nothing when cancelled.
    virtual std::optional<std::string> ChooseFile(const OpenDialogDefaults& defaults) = 0;
    // The ID code dialog, modally, opening with `family`; the window is repainted when it closes.
    virtual std::optional<IdCodeAnswer> ShowIdCodeDialog(const std::string& family) = 0;

    // While an operation runs the user's input to the window is dropped; KeepPainted lets the
    // window paint and answer the system meanwhile.
    virtual void BeginOperation() = 0;
    virtual void EndOperation() = 0;
    virtual void KeepPainted() = 0;
    // Closes the window as the user's close does (a close deferred during an operation).
    virtual void Close() = 0;
};

// What the window needs from the system; the program passes the real ones, tests their own.
struct FormServices {
    PortOpener* ports = nullptr;
    SettingsStore* settings = nullptr;
    std::function<std::optional<std::vector<std::string>>()> portNames;
    std::function<void(std::uint32_t)> beep;
};

class MainForm : private WriterView, private IdCodePrompt {
public:
    // `arguments` is the command line without the program's name.
    MainForm(MainFace& face, BrowserFace& browser, FormServices services,
             std::vector<std::string> arguments);
    ~MainForm() override;

    // Handlers, each run by the window's event of the same name.
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void ComboBox2Change() { UpdateModePinVisibility(); }
    void ComboBox1DropDown() { RefreshComPortList(); }
    void FileListBox1DblClick();
    void Edit1DblClick();
    void Button1Click() { RunOperation(&Session::WriteSequence); }
    void Button2Click() { RunOperation(&Session::EraseSequence); }
    void Button3Click() { RunOperation(&Session::VerifySequence); }
    // The window's menu (WindowChoices, row by row) and the user's pick of an item; a pick while
    // an operation runs is dropped, as any other input then.
    std::vector<MenuItem> MenuItems() const { return choices_.Items(); }
    void MenuItemClick(std::size_t row);
    // The system's dropped-files notification, with the first item's full path; while an
    // operation runs it is taken when the operation has ended.
    void FilesDropped(const std::string& firstPath);
    // The user or the system asks to close: true when the window may close now. While an
    // operation runs the close waits for its end, so the settings are saved once, whole, and the
    // chip is never left halfway through a write.
    bool CloseRequested();

    // Operations the handlers share.
    void ShowFileCheckResult(bool selectFamily);
    void UpdateModePinVisibility();
    void RefreshComPortList();
    bool ApplyPathToBrowser(const std::string& path);
    void WMDropFiles(const std::string& firstPath);

    bool Busy() const { return busy_; }
    const Session& Core() const { return session_; }
    FileBrowser& Browser() { return browser_; }

private:
    Target CurrentTarget() const;
    void FileChosen();
    void RunOperation(Outcome (Session::*sequence)(const Target&));

    // WriterView: the session's reports go to the widgets; while an operation runs each status
    // and progress change lets the window paint.
    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void SetVersionText(const std::string& text) override { face_.SetVersionText(text); }
    void SetFileCheckText(const std::string& text) override { face_.SetFileCheckText(text); }
    void SetButtonEnabled(ActionButton button, bool enabled) override {
        face_.SetButtonEnabled(button, enabled);
    }
    void Beep(std::uint32_t type) override;
    void FamilyConfirmed(const std::string& text) override;
    // IdCodePrompt: the ID code dialog, opening with the family the window shows.
    std::optional<IdCodeAnswer> AskIdCode() override;

    MainFace& face_;
    FileBrowser browser_;
    FormServices services_;
    std::vector<std::string> arguments_;
    ResponsivePorts ports_;
    Session session_;
    bool busy_ = false;
    bool closeRequested_ = false;
    bool closeRefused_ = false;  // a close has failed to save the settings once
    std::optional<std::string> pendingDrop_;
    ChoiceValues choices_;
};

}  // namespace bramblet::form
