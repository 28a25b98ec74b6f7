#include "writer/ui/Unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>

#include "writer/common/Text.h"
#include "writer/ui/Application.h"
#include "writer/ui/Fonts.h"
#include "writer/ui/Unit2.h"

namespace bramblet::ui {
namespace {

// The path buffer of a dropped-files notification holds 255 characters with its terminator.
constexpr qsizetype kDropPathLimit = 254;

QString Utf8(const std::string& s) {
    return QString::fromStdString(s);
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
            return true;
        default:
            return false;
    }
}

}  // namespace

void TEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (onDblClick) onDblClick();
}

void TDropDownComboBox::showPopup() {
    if (onDropDown) onDropDown();
    QComboBox::showPopup();
}

int ComparePortNames(const QString& a, const QString& b) {
    if (a.size() != b.size()) return static_cast<int>(a.size() - b.size());
    return QString::localeAwareCompare(a, b);
}

TForm1::TForm1(Form1Services services, QStringList arguments)
    : services_(std::move(services)),
      arguments_(std::move(arguments)),
      ports_(*services_.ports, [this] { KeepPainted(); }),
      writer_(*this, ports_) {
    CreateControls();
    FormCreate();
}

TForm1::~TForm1() {
    if (busy_) qApp->removeEventFilter(this);
}

void TForm1::CreateControls() {
    setWindowTitle(QStringLiteral("<R8C/M16C Talvoro2>  Orvane"));
    // Fixed border, system menu and minimise only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(361, 267);
    // With the native window made now, the position is the frame's from the start, as the
    // saved "WindowTop" and "WindowLeft" are, and it does not shift by the frame when shown.
    winId();
    move(204, 118);
    setFont(FormFont(12));

    DriveComboBox1 = new TDriveComboBox(this);
    DriveComboBox1->setGeometry(0, 0, 177, 18);
    DirectoryListBox1 = new TDirectoryListBox(this);
    DirectoryListBox1->setGeometry(0, 20, 177, 121);
    FileListBox1 = new TFileListBox(this);
    FileListBox1->setGeometry(180, 0, 181, 141);
    Edit1 = new TEdit(this);
    Edit1->setGeometry(68, 144, 285, 20);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 248, 361, 19);
    ComboBox1 = new TDropDownComboBox(this);
    ComboBox1->setEditable(true);
    // Typed text stays as typed: no completion to an item's text or letter case.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setEditText(QStringLiteral("COM1"));
    ComboBox1->setGeometry(280, 188, 65, 20);
    Button1 = new QPushButton(QStringLiteral("フラッシュ書き込み実行"), this);
    Button1->setGeometry(88, 188, 137, 21);
    Label1 = new QLabel(QStringLiteral("書込ファイル"), this);
    Label1->setGeometry(0, 148, 65, 12);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(0, 236, 361, 13);
    Label2 = new QLabel(QStringLiteral("ポート"), this);
    Label2->setFont(FormFont(11));
    Label2->setGeometry(244, 192, 28, 11);
    Label3 = new QLabel(this);
    Label3->setFont(FormFont(9));
    Label3->setGeometry(286, 220, 3, 9);
    Button2 = new QPushButton(QStringLiteral("消去"), this);
    Button2->setFont(FormFont(11));
    Button2->setGeometry(184, 212, 41, 21);
    ComboBox2 = new QComboBox(this);
    ComboBox2->setEditable(true);
    ComboBox2->setCompleter(nullptr);
    ComboBox2->setInsertPolicy(QComboBox::NoInsert);
    ComboBox2->addItems({QStringLiteral("R8C"), QStringLiteral("M16C"), QStringLiteral("M32C")});
    ComboBox2->setEditText(QStringLiteral("R8C"));
    ComboBox2->setGeometry(8, 172, 57, 20);
    OpenDialog1 = new QFileDialog(this);
    Button3 = new QPushButton(QStringLiteral("ベリファイ"), this);
    Button3->setGeometry(88, 212, 81, 21);
    Label4 = new QLabel(this);
    Label4->move(72, 168);
    Label4->adjustSize();
    CheckBox1 = new QCheckBox(QStringLiteral("ModePin"), this);
    CheckBox1->setGeometry(8, 200, 73, 17);
    Label5 = new QLabel(QStringLiteral("制御"), this);
    Label5->setGeometry(32, 216, 24, 12);

    const char* names[] = {
        "DriveComboBox1", "DirectoryListBox1", "FileListBox1", "Edit1",        "StatusBar1",
        "ComboBox1",      "Button1",           "Label1",       "ProgressBar1", "Label2",
        "Label3",         "Button2",           "ComboBox2",    "OpenDialog1",  "Button3",
        "Label4",         "CheckBox1",         "Label5"};
    QObject* controls[] = {
        DriveComboBox1, DirectoryListBox1, FileListBox1, Edit1,        StatusBar1,
        ComboBox1,      Button1,           Label1,       ProgressBar1, Label2,
        Label3,         Button2,           ComboBox2,    OpenDialog1,  Button3,
        Label4,         CheckBox1,         Label5};
    for (std::size_t i = 0; i < std::size(names); ++i) controls[i]->setObjectName(names[i]);

    QWidget* order[] = {DriveComboBox1, DirectoryListBox1, FileListBox1, Edit1,
                        Button1,        Button3,           Button2,      ComboBox1,
                        ComboBox2,      CheckBox1,         ProgressBar1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    // Only the user's changes count: a picked item or typed text, not a text the program sets.
    connect(ComboBox2, &QComboBox::textActivated, this, &TForm1::ComboBox2Change);
    connect(ComboBox2->lineEdit(), &QLineEdit::textEdited, this, &TForm1::ComboBox2Change);
    // A file dropped on the name field or a box is the window's drop like anywhere else; the
    // fields take no dropped text of their own, which would be the file's address typed in.
    for (QLineEdit* field :
         std::initializer_list<QLineEdit*>{Edit1, ComboBox1->lineEdit(), ComboBox2->lineEdit()}) {
        field->setAcceptDrops(false);
    }
    ComboBox1->onDropDown = [this] { ComboBox1DropDown(); };
    FileListBox1->onDblClick = [this] { FileListBox1DblClick(); };
    Edit1->onDblClick = [this] { Edit1DblClick(); };
    DirectoryListBox1->reportError = [this](const QString& text) { ShowError(text); };
}

void TForm1::FormCreate() {
    SetStatus("書込ファイル選択、ブートモードでマイコンの電源ON、ボタンを押す");
    DriveComboBox1->SetDirList(DirectoryListBox1);
    DirectoryListBox1->SetDriveCombo(DriveComboBox1);
    DirectoryListBox1->SetFileList(FileListBox1);
    FileListBox1->SetDirList(DirectoryListBox1);
    QString error;
    DirectoryListBox1->SetDirectory(QDir::currentPath(), error);
    writer_.DialogIdCode.fill(0x00);
}

void TForm1::ShowError(const QString& text) {
    if (services_.showError) {
        services_.showError(text);
        return;
    }
    ShowErrorBox(text, this);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TForm1::FormShow() {
    try {
        if (std::unique_ptr<SettingsKey> key = services_.settings->OpenExisting()) {
            // Each value goes to its control as it is read, unchecked, so a failure leaves the
            // values before it applied.
            move(x(), ReadDword(*key, "WindowTop"));
            move(ReadDword(*key, "WindowLeft"), y());
            Edit1->setText(Utf8(ReadString(*key, "FileName")));
            ComboBox1->setEditText(Utf8(ReadString(*key, "COM")));
            CheckBox1->setChecked(ReadDword(*key, "ModePin") != 0);
            ComboBox2->setEditText(Utf8(ReadString(*key, "CPU")));
        }
    } catch (const SettingsError& e) {
        ShowError(Utf8(e.what()));
        return;
    }
    setAcceptDrops(true);
    if (arguments_.size() == 1) {
        QString name = arguments_.front();
        const std::string utf8 = name.toStdString();
        if (UpperExtension(utf8) == ".X30") {
            name = Utf8(utf8.substr(0, ExtensionStart(utf8))) + QStringLiteral(".MOT");
        }
        Edit1->setText(name);
        writer_.FileChosen();
    }
    if (!ApplyPathToBrowser(Edit1->text())) return;
    ShowFileCheckResult(false);
    if (ComboBox2->currentText().isEmpty()) ComboBox2->setEditText(QStringLiteral("R8C"));
    UpdateModePinVisibility();
    FocusEdit1();
}

bool TForm1::FormCloseQuery() {
    try {
        std::unique_ptr<SettingsKey> key = services_.settings->Create();
        WriteDword(*key, "WindowTop", y());
        WriteDword(*key, "WindowLeft", x());
        WriteString(*key, "FileName", Edit1->text().toStdString());
        WriteString(*key, "COM", ComboBox1->currentText().toStdString());
        WriteString(*key, "CPU", ComboBox2->currentText().toStdString());
        WriteDword(*key, "ModePin", CheckBox1->isChecked() ? 1 : 0);
        key->Close();
    } catch (const SettingsError& e) {
        // The first failure keeps the window open so the user sees why and can try again; after
        // that it closes unsaved, since a window that cannot be closed can only be killed.
        if (std::exchange(closeRefused_, true)) return true;
        ShowError(Utf8(e.what()));
        return false;
    }
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close asked for while an operation runs waits for its end, so the settings are saved
    // once, whole, and the chip is never left halfway through a write by the window going away.
    if (busy_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    if (FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::FocusEdit1() {
    Edit1->selectAll();
    Edit1->setFocus();
}

bool TForm1::ApplyPathToBrowser(const QString& path) {
    QString error;
    if (FileListBox1->ApplyFilePath(path, error)) return true;
    ShowError(error);
    return false;
}

void TForm1::UpdateModePinVisibility() {
    const bool r8c = ComboBox2->currentText() == QLatin1String("R8C");
    CheckBox1->setVisible(r8c);
    Label5->setVisible(r8c);
}

void TForm1::RefreshComPortList() {
    std::optional<std::vector<std::string>> names;
    try {
        names = services_.portNames();
    } catch (const SettingsError& e) {
        ShowError(Utf8(e.what()));
        return;
    }
    if (!names) return;
    QStringList ports;
    for (const std::string& name : *names) ports << Utf8(name);
    std::stable_sort(ports.begin(), ports.end(),
                     [](const QString& a, const QString& b) { return ComparePortNames(a, b) < 0; });
    const QString text = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(ports);
    ComboBox1->setEditText(text);
}

void TForm1::FileListBox1DblClick() {
    const QString path = FileListBox1->FileName();
    const std::string extension = UpperExtension(path.toStdString());
    if (extension == ".S" || extension == ".MOT") Edit1->setText(path);
    writer_.FileChosen();
    FocusEdit1();
}

void TForm1::Edit1DblClick() {
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setDefaultSuffix(QStringLiteral("MOT"));
    OpenDialog1->selectFile(QStringLiteral("*.mot"));
    if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty()) {
        const QString path = QDir::toNativeSeparators(OpenDialog1->selectedFiles().front());
        Edit1->setText(path);
        if (!ApplyPathToBrowser(path)) return;
        writer_.FileChosen();
        FocusEdit1();
        return;
    }
    UpdateModePinVisibility();
}

void TForm1::WMDropFiles(const QString& firstDroppedPath) {
    QString path = firstDroppedPath.left(kDropPathLimit);
    // Never keep half of a character that needs two UTF-16 units.
    if (!path.isEmpty() && path.back().isHighSurrogate()) path.chop(1);
    Edit1->setText(path);
    if (!ApplyPathToBrowser(path)) return;
    writer_.FileChosen();
    FocusEdit1();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = QDir::toNativeSeparators(urls.front().toLocalFile());
    if (busy_) {
        pendingDrop_ = path;  // taken when the operation has ended
        return;
    }
    WMDropFiles(path);
}

void TForm1::Button1Click() {
    RunOperation(&Writer::WriteSequence);
}
void TForm1::Button2Click() {
    RunOperation(&Writer::EraseSequence);
}
void TForm1::Button3Click() {
    RunOperation(&Writer::VerifySequence);
}

// The sequences run here, on the GUI thread, with the serial reads blocking. While one runs,
// each status or progress change lets the window paint and answer the window system, but input
// to the window is dropped, so no second operation can start and no setting can change halfway.
void TForm1::RunOperation(Outcome (Writer::*sequence)()) {
    busy_ = true;
    qApp->installEventFilter(this);
    (writer_.*sequence)();
    qApp->removeEventFilter(this);
    busy_ = false;
    if (pendingDrop_) WMDropFiles(*std::exchange(pendingDrop_, std::nullopt));
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (busy_ && IsUserInput(event->type()) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::KeepPainted() {
    if (busy_) QCoreApplication::processEvents();
}

std::string TForm1::FileName() const {
    return Edit1->text().toStdString();
}
std::string TForm1::PortName() const {
    return ComboBox1->currentText().toStdString();
}
std::string TForm1::CpuFamily() const {
    return ComboBox2->currentText().toStdString();
}

void TForm1::SetCpuFamily(const std::string& family) {
    ComboBox2->setEditText(Utf8(family));
    // The mode-pin box follows at once, also when the ID code dialog names the family during an
    // operation.
    UpdateModePinVisibility();
}

bool TForm1::ModePin() const {
    return CheckBox1->isChecked();
}

void TForm1::SetStatus(const std::string& text) {
    StatusBar1->showMessage(Utf8(text));
    KeepPainted();
}

void TForm1::SetProgress(int position) {
    ProgressBar1->setValue(position);
    KeepPainted();
}

void TForm1::SetVersionText(const std::string& text) {
    Label3->setText(Utf8(text));
    Label3->adjustSize();
}

void TForm1::SetFileCheckText(const std::string& text) {
    Label4->setText(Utf8(text));
    Label4->adjustSize();
}

void TForm1::SetButtonEnabled(ActionButton button, bool enabled) {
    switch (button) {
        case ActionButton::Write:
            Button1->setEnabled(enabled);
            break;
        case ActionButton::Erase:
            Button2->setEnabled(enabled);
            break;
        case ActionButton::Verify:
            Button3->setEnabled(enabled);
            break;
    }
}

void TForm1::Beep(std::uint32_t type) {
    if (services_.beep) services_.beep(type);
}

std::optional<IdCodeAnswer> TForm1::ShowIdCodeDialog(const std::string& family) {
    std::optional<IdCodeAnswer> answer;
    if (form2_) answer = form2_->Execute(family);
    repaint();
    return answer;
}

}  // namespace bramblet::ui
