#include "writer/ui/Unit2.h"

#include <QValidator>
#include <utility>

#include "writer/flash/IdFile.h"
#include "writer/ui/Fonts.h"

namespace bramblet::ui {
namespace {

// Turns every typed letter into upper case as it is typed.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

int HexValue(QChar c) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
    return -1;
}

}  // namespace

TForm2::TForm2(QWidget& mainWindow) : QDialog(&mainWindow), mainWindow_(mainWindow) {
    setWindowTitle(QStringLiteral("プロテクトID入力"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(325, 100);
    setFont(FormFont(12));

    Label2 = new QLabel(QStringLiteral("IDコード"), this);
    Label2->move(16, 28);
    Label2->adjustSize();
    auto* upper = new UpperCase(this);
    for (int i = 0; i < 7; ++i) {
        QLineEdit* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        edit->setMaxLength(2);
        edit->setValidator(upper);
        edit->setGeometry(68 + 36 * i, 24, 29, 20);
        Edits[i] = edit;
    }
    Button2 = new QPushButton(QStringLiteral(".IDファイル参照"), this);
    Button2->setGeometry(4, 52, 89, 25);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    ComboBox1->setCompleter(nullptr);  // the family goes on exactly as typed
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({QStringLiteral("R8C"), QStringLiteral("R8CM"), QStringLiteral("M16C"),
                         QStringLiteral("M32C")});
    ComboBox1->setEditText(QStringLiteral("M16C"));
    ComboBox1->setGeometry(100, 52, 57, 20);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(168, 52, 77, 25);
    Button3 = new QPushButton(QStringLiteral("Cancel"), this);
    Button3->setGeometry(252, 52, 65, 25);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 81, 325, 19);
    OpenDialog1 = new QFileDialog(this);

    Label2->setObjectName(QStringLiteral("Label2"));
    Button2->setObjectName(QStringLiteral("Button2"));
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button3->setObjectName(QStringLiteral("Button3"));
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));

    // Enter does not confirm by itself; only the buttons do.
    for (QPushButton* b : {Button1, Button2, Button3}) b->setAutoDefault(false);
    QWidget* order[] = {Edits[0], Edits[1], Edits[2], Edits[3], Edits[4], Edits[5],
                        Edits[6], Button1,  Button2,  Button3,  ComboBox1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
}

std::optional<IdCodeAnswer> TForm2::Execute(const std::string& family) {
    family_ = QString::fromStdString(family);
    answer_.reset();
    exec();
    return std::exchange(answer_, std::nullopt);
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
    FormPaint();
}

void TForm2::FormShow() {
    StatusBar1->showMessage(
        QStringLiteral("プロテクトされています。プロテクトIDを指定してください"));
    ComboBox1->setEditText(family_);
}

void TForm2::paintEvent(QPaintEvent* event) {
    FormPaint();
    QDialog::paintEvent(event);
}

// The dialog keeps to 100 pixels right of and below the main window, wherever either has moved.
void TForm2::FormPaint() {
    move(mainWindow_.x() + 100, mainWindow_.y() + 100);
}

void TForm2::Button1Click() {
    IdCodeBytes code{};
    for (std::size_t i = 0; i < Edits.size(); ++i) {
        const QString text = Edits[i]->text();
        if (text.isEmpty() || text.size() > 2) return;
        const int high = HexValue(text[0]);
        const int low = text.size() == 2 ? HexValue(text[1]) : 0;
        if (high < 0 || low < 0) return;  // the user corrects the field or cancels
        code[i] = static_cast<std::uint8_t>(text.size() == 2 ? high << 4 | low : high);
    }
    answer_ = IdCodeAnswer{code, ComboBox1->currentText().toStdString()};
    accept();
}

void TForm2::Button2Click() {
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setDefaultSuffix(QStringLiteral("ID"));
    OpenDialog1->selectFile(QStringLiteral("*.id"));
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) return;
    IdFileContents contents;
    if (!ReadIdFile(OpenDialog1->selectedFiles().front().toStdString(), contents)) return;
    for (std::size_t i = 0; i < Edits.size(); ++i) {
        Edits[i]->setText(
            QStringLiteral("%1").arg(contents.code[i], 2, 16, QLatin1Char('0')).toUpper());
    }
    if (!contents.family.empty()) ComboBox1->setEditText(QString::fromStdString(contents.family));
}

}  // namespace bramblet::ui
