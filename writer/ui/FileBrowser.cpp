#include "writer/ui/FileBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>

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

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
    for (const QString& root : DriveRoots()) addItem(Native(root), root);
    connect(this, &QComboBox::activated, this, &TDriveComboBox::DriveChosen);
}

void TDriveComboBox::ShowDriveOf(const QString& folder) {
    // The longest root that holds the folder: the home folder before "/".
    int best = -1;
    qsizetype bestLength = -1;
    const Qt::CaseSensitivity cs = IsWindowsPaths() ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int i = 0; i < count(); ++i) {
        QString root = itemData(i).toString();
        if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
        if ((folder + QLatin1Char('/')).startsWith(root, cs) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    setCurrentIndex(best);
}

void TDriveComboBox::DriveChosen(int index) {
    if (!dirList_ || index < 0) return;
    QString error;
    if (!dirList_->SetDirectory(itemData(index).toString(), error)) {
        ShowDriveOf(dirList_->Directory());  // back to the drive that is still shown
        if (dirList_->reportError) dirList_->reportError(error);
    }
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
    directory_ = QDir::currentPath();
}

bool TDirectoryListBox::SetDirectory(const QString& folder, QString& error) {
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    if (!QFileInfo(absolute).isDir()) {
        error = QStringLiteral("フォルダ「%1」が見つかりません").arg(Native(absolute));
        return false;
    }
    if (!QDir::setCurrent(absolute)) {
        error = QStringLiteral("フォルダ「%1」に移れません").arg(Native(absolute));
        return false;
    }
    directory_ = QDir::currentPath();
    Rebuild();
    if (fileList_) fileList_->SetDirectory(directory_);
    if (drives_) drives_->ShowDriveOf(directory_);
    return true;
}

// The folders from the root down to the current one, indented, and below them its subfolders.
void TDirectoryListBox::Rebuild() {
    clear();
    QStringList chain;
    for (QDir dir(directory_);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp()) break;
    }
    int depth = 0;
    for (const QString& path : chain) {
        const QString name = QDir(path).isRoot() ? Native(path) : QFileInfo(path).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(kPathRole, path);
        ++depth;
    }
    setCurrentRow(count() - 1);
    const QFileInfoList subfolders =
        QDir(directory_)
            .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& sub : subfolders) {
        auto* item =
            new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub.fileName(), this);
        item->setData(kPathRole, sub.absoluteFilePath());
    }
}

void TDirectoryListBox::OpenItem(QListWidgetItem* item) {
    if (!item) return;
    QString error;
    if (!SetDirectory(item->data(kPathRole).toString(), error) && reportError) {
        reportError(error);
    }
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

QString TFileListBox::FileName() const {
    const QListWidgetItem* item = currentItem();
    if (!item || !item->isSelected()) return {};
    return Native(QDir(directory_).absoluteFilePath(item->text()));
}

bool TFileListBox::ApplyFilePath(const QString& path, QString& error) {
    if (path.isEmpty() || path.compare(FileName(), Qt::CaseInsensitive) == 0) return true;
    const QString generic = QDir::fromNativeSeparators(path);
    qsizetype split = generic.lastIndexOf(QLatin1Char('/')) + 1;
    // A drive prefix with no folder ("D:prog.mot") names that drive's current folder.
    if (split == 0 && IsWindowsPaths() && generic.size() >= 2 && generic[1] == QLatin1Char(':')) {
        split = 2;
    }
    const QString folder = generic.left(split);
    const QString last = generic.mid(split);
    if (!folder.isEmpty() && dirList_ && !dirList_->SetDirectory(folder, error)) return false;
    if (last.isEmpty()) return true;
    if (last.contains(QLatin1Char('*')) || last.contains(QLatin1Char('?'))) {
        SetMask(last);
        return true;
    }
    const QFileInfo info(QDir::current(), last);
    if (info.isDir())
        return dirList_ ? dirList_->SetDirectory(info.absoluteFilePath(), error) : true;
    if (!info.exists()) {
        error = QStringLiteral("「%1」というファイルもフォルダもありません")
                    .arg(Native(info.absoluteFilePath()));
        return false;
    }
    // The file list may not show the file (a hidden file, or one the mask leaves out); then
    // nothing stays selected.
    setCurrentItem(nullptr);
    clearSelection();
    const QList<QListWidgetItem*> found =
        findItems(info.fileName(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (!found.isEmpty()) setCurrentItem(found.first());
    return true;
}

void TFileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (onDblClick) onDblClick();
}

}  // namespace bramblet::ui
