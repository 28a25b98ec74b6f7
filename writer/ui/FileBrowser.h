#pragma once
// The window's file browser: a drive selector, a folder list and a file list, linked so that
// choosing a drive shows its folders and opening a folder shows its files. The folder shown is
// the process's current folder, so relative names are resolved against what the user sees.
#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <functional>

namespace bramblet::ui {

class TDirectoryListBox;
class TFileListBox;

// The roots a user picks from. Windows: the drives. Elsewhere: "/", the home folder and the
// mounted volumes under /media, /run/media and /mnt.
QStringList DriveRoots();

class TDriveComboBox : public QComboBox {
public:
    explicit TDriveComboBox(QWidget* parent);
    void SetDirList(TDirectoryListBox* dirList) { dirList_ = dirList; }
    // Selects the root that holds `folder`, without moving the folder list.
    void ShowDriveOf(const QString& folder);

private:
    void DriveChosen(int index);
    TDirectoryListBox* dirList_ = nullptr;
};

class TDirectoryListBox : public QListWidget {
public:
    explicit TDirectoryListBox(QWidget* parent);
    void SetFileList(TFileListBox* fileList) { fileList_ = fileList; }
    void SetDriveCombo(TDriveComboBox* drives) { drives_ = drives; }

    // Moves to `folder`, which becomes the current folder; false with `error` set when it does
    // not exist or cannot be entered.
    bool SetDirectory(const QString& folder, QString& error);
    QString Directory() const { return directory_; }

    // The browser's own errors while the user navigates go here (a message box in the window).
    std::function<void(const QString&)> reportError;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenItem(QListWidgetItem* item);
    void Rebuild();
    QString directory_;
    TFileListBox* fileList_ = nullptr;
    TDriveComboBox* drives_ = nullptr;
};

class TFileListBox : public QListWidget {
public:
    explicit TFileListBox(QWidget* parent);
    void SetDirList(TDirectoryListBox* dirList) { dirList_ = dirList; }

    // Lists the ordinary files of `folder` that match the mask, sorted by name.
    void SetDirectory(const QString& folder);
    void SetMask(const QString& mask);
    // The full path of the selected file; empty when none is selected.
    QString FileName() const;

    // Moves the browser to the folder and file that `path` names: a pattern in its last part
    // becomes the mask, a folder is entered, a file is selected. False with `error` set when the
    // folder, or the last part as a file or folder, does not exist.
    bool ApplyFilePath(const QString& path, QString& error);

    // Run by a double-click anywhere in the list.
    std::function<void()> onDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Rebuild();
    TDirectoryListBox* dirList_ = nullptr;
    QString directory_;
    QString mask_ = QStringLiteral("*");
};

}  // namespace bramblet::ui
