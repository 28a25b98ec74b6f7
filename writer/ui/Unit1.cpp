#include "writer/ui/Unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "writer/form/Layout.h"
#include "writer/ui/Application.h"
#include "writer/ui/Controls.h"
#include "writer/ui/Fonts.h"
#include "writer/ui/Unit2.h"

namespace bramblet::ui {
namespace {

QString Utf8(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList Utf8(const std::vector<std::string>& list) {
    QStringList out;
    for (const std::string& s : list) out << Utf8(s);
    return out;
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

form::FormServices Rules(const Form1Services& services) {
    return {services.ports, services.settings, services.portNames, services.beep};
}

std::vector<std::string> Arguments(const QStringList& arguments) {
    std::vector<std::string> out;
    for (const QString& a : arguments) out.push_back(a.toStdString());
    return out;
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

TForm1::TForm1(Form1Services services, QStringList arguments)
    : services_(std::move(services)), form_(*this, *this, Rules(services_), Arguments(arguments)) {
    CreateControls();
    form_.FormCreate();
}

TForm1::~TForm1() {
    if (filtering_) qApp->removeEventFilter(this);
}

void TForm1::CreateControls() {
    using form::Control;
    using form::kForm1Controls;
    setWindowTitle(Utf8(form::kForm1.caption));
    // Fixed border, system menu and minimise only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(form::kForm1.width, form::kForm1.height);
    // With the native window made now, the position is the frame's from the start, as the
    // saved "WindowTop" and "WindowLeft" are, and it does not shift by the frame when shown.
    winId();
    move(form::kForm1Left, form::kForm1Top);
    setFont(FormFont(form::kFontPixels));

    auto at = [](const char* name) -> const form::ControlLayout& {
        return Control(kForm1Controls, name);
    };
    DriveComboBox1 = Place(new TDriveComboBox(this), at("DriveComboBox1"));
    DirectoryListBox1 = Place(new TDirectoryListBox(this), at("DirectoryListBox1"));
    FileListBox1 = Place(new TFileListBox(this), at("FileListBox1"));
    Edit1 = Place(new TEdit(this), at("Edit1"));
    StatusBar1 = Place(new QStatusBar(this), at("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    ComboBox1 = Place(new TDropDownComboBox(this), at("ComboBox1"));
    Button1 = Place(new QPushButton(this), at("Button1"));
    Label1 = Place(new QLabel(this), at("Label1"));
    ProgressBar1 = Place(new QProgressBar(this), at("ProgressBar1"));
    Label2 = Place(new QLabel(this), at("Label2"));
    Label3 = Place(new QLabel(this), at("Label3"));
    Button2 = Place(new QPushButton(this), at("Button2"));
    ComboBox2 = Place(new QComboBox(this), at("ComboBox2"));
    ComboBox2->addItems(Utf8(form::MainFamilyItems()));
    ComboBox2->setEditText(Utf8(at("ComboBox2").text));
    OpenDialog1 = Place(new QFileDialog(this), at("OpenDialog1"));
    Button3 = Place(new QPushButton(this), at("Button3"));
    Label4 = Place(new QLabel(this), at("Label4"));
    CheckBox1 = Place(new QCheckBox(this), at("CheckBox1"));
    Label5 = Place(new QLabel(this), at("Label5"));
    SetTabOrder(this, form::kForm1TabOrder);
    PopupMenu1 = new QMenu(this);

    connect(Button1, &QPushButton::clicked, this, [this] { form_.Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { form_.Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { form_.Button3Click(); });
    // Only the user's changes count: a picked item or typed text, not a text the program sets.
    connect(ComboBox2, &QComboBox::textActivated, this, [this] { form_.ComboBox2Change(); });
    connect(ComboBox2->lineEdit(), &QLineEdit::textEdited, this,
            [this] { form_.ComboBox2Change(); });
    // A file dropped on the name field or a box is the window's drop like anywhere else; the
    // fields take no dropped text of their own, which would be the file's address typed in.
    for (QLineEdit* field :
         std::initializer_list<QLineEdit*>{Edit1, ComboBox1->lineEdit(), ComboBox2->lineEdit()}) {
        field->setAcceptDrops(false);
    }
    ComboBox1->onDropDown = [this] { form_.ComboBox1DropDown(); };
    FileListBox1->onDblClick = [this] { form_.FileListBox1DblClick(); };
    Edit1->onDblClick = [this] { form_.Edit1DblClick(); };
    DirectoryListBox1->onOpen = [this](const QString& folder) {
        form_.Browser().Open(folder.toStdString());
    };
    DriveComboBox1->onChosen = [this](const QString& root) {
        form_.Browser().Open(root.toStdString());
    };
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (std::exchange(shown_, true)) return;
    form_.FormShow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (form_.CloseRequested()) {
        event->accept();
    } else {
        event->ignore();
    }
}

// The menu opens on the window's background, its status line and its labels; a control keeps
// its own menu, or none.
void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    QWidget* child = childAt(event->pos());
    if (child && child != StatusBar1 && !StatusBar1->isAncestorOf(child) &&
        !qobject_cast<QLabel*>(child)) {
        event->ignore();
        return;
    }
    PopupMenu1->clear();
    const std::vector<form::MenuItem> items = form_.MenuItems();
    for (std::size_t row = 0; row < items.size(); ++row) {
        QAction* action = PopupMenu1->addAction(Utf8(items[row].text));
        action->setCheckable(true);
        action->setChecked(items[row].checked);
        connect(action, &QAction::triggered, this, [this, row] { form_.MenuItemClick(row); });
    }
    PopupMenu1->popup(event->globalPos());
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    form_.FilesDropped(QDir::toNativeSeparators(urls.front().toLocalFile()).toStdString());
}

void TForm1::BeginOperation() {
    filtering_ = true;
    qApp->installEventFilter(this);
}

void TForm1::EndOperation() {
    qApp->removeEventFilter(this);
    filtering_ = false;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (filtering_ && IsUserInput(event->type()) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::KeepPainted() {
    QCoreApplication::processEvents();
}

std::string TForm1::FileName() const {
    return Edit1->text().toStdString();
}

void TForm1::SetFileName(const std::string& text) {
    Edit1->setText(Utf8(text));
}

std::string TForm1::PortName() const {
    return ComboBox1->currentText().toStdString();
}

void TForm1::SetPortName(const std::string& text) {
    ComboBox1->setEditText(Utf8(text));
}

void TForm1::SetPortItems(const std::vector<std::string>& names) {
    const QString text = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(Utf8(names));
    ComboBox1->setEditText(text);
}

std::string TForm1::CpuFamily() const {
    return ComboBox2->currentText().toStdString();
}

void TForm1::SetCpuFamily(const std::string& text) {
    ComboBox2->setEditText(Utf8(text));
}

bool TForm1::ModePin() const {
    return CheckBox1->isChecked();
}

void TForm1::SetModePin(bool checked) {
    CheckBox1->setChecked(checked);
}

void TForm1::SetModePinVisible(bool visible) {
    CheckBox1->setVisible(visible);
    Label5->setVisible(visible);
}

void TForm1::FocusFileName() {
    Edit1->selectAll();
    Edit1->setFocus();
}

void TForm1::SetStatus(const std::string& text) {
    StatusBar1->showMessage(Utf8(text));
}

void TForm1::SetProgress(int position) {
    ProgressBar1->setValue(position);
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

void TForm1::ShowError(const std::string& text) {
    if (services_.showError) {
        services_.showError(Utf8(text));
        return;
    }
    ShowErrorBox(Utf8(text), this);
}

std::optional<std::string> TForm1::ChooseFile(const form::OpenDialogDefaults& defaults) {
    return ChooseInDialog(*OpenDialog1, defaults);
}

std::optional<IdCodeAnswer> TForm1::ShowIdCodeDialog(const std::string& family) {
    std::optional<IdCodeAnswer> answer;
    if (form2_) answer = form2_->Execute(family);
    repaint();
    return answer;
}

std::string TForm1::SelectedFile() const {
    return FileListBox1->FileName().toStdString();
}

void TForm1::ShowFolder(const std::string& folder) {
    const QString path = QDir::fromNativeSeparators(Utf8(folder));
    DirectoryListBox1->Show(path);
    FileListBox1->SetDirectory(path);
    DriveComboBox1->ShowDriveOf(path);
}

void TForm1::SetMask(const std::string& mask) {
    FileListBox1->SetMask(Utf8(mask));
}

void TForm1::SelectFile(const std::string& name) {
    FileListBox1->SelectFile(Utf8(name));
}

}  // namespace bramblet::ui
