#pragma once
// The window's file browser in Qt: a drive selector, a folder list and a file list. Which folder
// they show, and what a path given to them means, is the browser's rules' (form::FileBrowser);
// these only list what is there and report what the user picks.
#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <functional>

namespace bramblet::ui {

// The roots a user picks from. Windows: the drives. Elsewhere: "/", the home folder and the
// mounted volumes under /media, /run/media and /mnt.
QStringList DriveRoots();

class TDriveComboBox : public QComboBox {
public:
    explicit TDriveComboBox(QWidget* parent);
    // Selects the root that holds `folder`.
    void ShowDriveOf(const QString& folder);
    // The user chose a drive: its root.
    std::function<void(const QString&)> onChosen;

private:
    QStringList roots_;
};

class TDirectoryListBox : public QListWidget {
public:
    explicit TDirectoryListBox(QWidget* parent);
    // Lists the folders from the root down to `folder` and below them its subfolders.
    void Show(const QString& folder);
    QString Directory() const { return directory_; }
    // The user opened a folder (double-click or Enter): its full path.
    std::function<void(const QString&)> onOpen;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenItem(QListWidgetItem* item);
    QString directory_;
};

class TFileListBox : public QListWidget {
public:
    explicit TFileListBox(QWidget* parent);

    // Lists the ordinary files of `folder` that match the mask, sorted by name.
    void SetDirectory(const QString& folder);
    void SetMask(const QString& mask);
    // Selects the file of this exact name, or nothing when the list does not show it.
    void SelectFile(const QString& name);
    // The full path of the selected file; empty when none is selected.
    QString FileName() const;

    // Run by a double-click anywhere in the list.
    std::function<void()> onDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Rebuild();
    QString directory_;
    QString mask_ = QStringLiteral("*");
};

}  // namespace bramblet::ui
