#include "writer/ui/FileBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>

#include "writer/form/FileBrowser.h"

namespace bramblet::ui {
namespace {

constexpr int kPathRole = Qt::UserRole;

bool IsWindowsPaths() {
    return QDir::separator() == QLatin1Char('\\');
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

QStringList DriveRoots() {
    QStringList roots;
    if (IsWindowsPaths()) {
        for (const QFileInfo& drive : QDir::drives()) roots << drive.absoluteFilePath();
        return roots;
    }
    roots << QStringLiteral("/") << QDir::homePath();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() &&
            (root.startsWith(QLatin1String("/media/")) ||
             root.startsWith(QLatin1String("/run/media/")) ||
             root.startsWith(QLatin1String("/mnt/")))) {
            roots << root;
        }
    }
    roots.removeDuplicates();
    return roots;
}

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent), roots_(DriveRoots()) {
    for (const QString& root : roots_) addItem(Native(root));
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (onChosen && index >= 0) onChosen(roots_[index]);
    });
}

void TDriveComboBox::ShowDriveOf(const QString& folder) {
    std::vector<std::string> roots;
    for (const QString& root : roots_) roots.push_back(root.toStdString());
    const auto drive = form::DriveOf(roots, folder.toStdString());
    setCurrentIndex(drive ? static_cast<int>(*drive) : -1);
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
    directory_ = QDir::currentPath();
}

void TDirectoryListBox::Show(const QString& folder) {
    directory_ = folder;
    clear();
    const form::FolderRows list = form::ListFolders(folder.toStdString());
    for (const form::FolderRow& row : list.rows) {
        auto* item = new QListWidgetItem(QString::fromStdString(row.text), this);
        item->setData(kPathRole, QString::fromStdString(row.path));
    }
    setCurrentRow(static_cast<int>(list.current));
}

void TDirectoryListBox::OpenItem(QListWidgetItem* item) {
    if (item && onOpen) onOpen(item->data(kPathRole).toString());
}

void TDirectoryListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    OpenItem(currentItem());
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    directory_ = QDir::currentPath();
}

void TFileListBox::SetDirectory(const QString& folder) {
    directory_ = folder;
    Rebuild();
}

void TFileListBox::SetMask(const QString& mask) {
    mask_ = mask;
    Rebuild();
}

void TFileListBox::Rebuild() {
    clear();
    QDir dir(directory_);
    dir.setNameFilters({mask_});
    addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void TFileListBox::SelectFile(const QString& name) {
    setCurrentItem(nullptr);
    clearSelection();
    const QList<QListWidgetItem*> found =
        findItems(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (!found.isEmpty()) setCurrentItem(found.first());
}

QString TFileListBox::FileName() const {
    const QListWidgetItem* item = currentItem();
    if (!item || !item->isSelected()) return {};
    return Native(QDir(directory_).absoluteFilePath(item->text()));
}

void TFileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (onDblClick) onDblClick();
}

}  // namespace bramblet::ui
