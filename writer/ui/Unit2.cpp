#include "writer/ui/Unit2.h"

#include "writer/form/Layout.h"
#include "writer/ui/Controls.h"
#include "writer/ui/Fonts.h"

namespace bramblet::ui {
TForm2::TForm2(QWidget& mainWindow) : QDialog(&mainWindow), mainWindow_(mainWindow), form_(*this) {
    using form::Control;
    using form::kForm2Controls;
    setWindowTitle(QString::fromUtf8(form::kForm2.caption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(form::kForm2.width, form::kForm2.height);
    setFont(FormFont(form::kFontPixels));

    auto at = [](const char* name) -> const form::ControlLayout& {
        return Control(kForm2Controls, name);
    };
    Label2 = Place(new QLabel(this), at("Label2"));
    for (std::size_t i = 0; i < Edits.size(); ++i) {
        const std::string name = "Edit" + std::to_string(i + 1);
        Edits[i] = Place(new QLineEdit(this), at(name.c_str()));
    }
    Button2 = Place(new QPushButton(this), at("Button2"));
    ComboBox1 = Place(new QComboBox(this), at("ComboBox1"));
    for (const std::string& item : form::DialogFamilyItems()) {
        ComboBox1->addItem(QString::fromStdString(item));
    }
    ComboBox1->setEditText(QString::fromUtf8(at("ComboBox1").text));
    Button1 = Place(new QPushButton(this), at("Button1"));
    Button3 = Place(new QPushButton(this), at("Button3"));
    StatusBar1 = Place(new QStatusBar(this), at("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));

    // Enter does not confirm by itself; only the buttons do.
    for (QPushButton* b : {Button1, Button2, Button3}) b->setAutoDefault(false);
    SetTabOrder(this, form::kForm2TabOrder);

    connect(Button1, &QPushButton::clicked, this, [this] { form_.Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { form_.Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { form_.Button3Click(); });
}

std::optional<IdCodeAnswer> TForm2::Execute(const std::string& family, text::Lang lang) {
    form_.Opening(family, lang);
    exec();
    return form_.Answer();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    form_.FormShow();
    FormPaint();
}

void TForm2::paintEvent(QPaintEvent* event) {
    FormPaint();
    QDialog::paintEvent(event);
}

void TForm2::FormPaint() {
    const auto at = form::IdCodeForm::FormPaint(mainWindow_.x(), mainWindow_.y());
    move(at.left, at.top);
}

std::string TForm2::FieldText(std::size_t index) const {
    return Edits[index]->text().toStdString();
}

void TForm2::SetFieldText(std::size_t index, const std::string& text) {
    Edits[index]->setText(QString::fromStdString(text));
}

std::string TForm2::FamilyText() const {
    return ComboBox1->currentText().toStdString();
}

void TForm2::SetFamilyText(const std::string& text) {
    ComboBox1->setEditText(QString::fromStdString(text));
}

void TForm2::SetStatus(const std::string& text) {
    StatusBar1->showMessage(QString::fromStdString(text));
}

std::optional<std::string> TForm2::ChooseFile(const form::OpenDialogDefaults& defaults) {
    return ChooseInDialog(*OpenDialog1, defaults);
}

void TForm2::ShowLanguage(text::Lang lang) {
    setWindowTitle(QString::fromUtf8(form::Form2(lang).caption));
    ShowTexts(this, form::Form2Controls(lang), form::kForm2Texts);
}

void TForm2::CloseDialog() {
    // OK and Cancel both end the modal showing; the answer, if any, is the rules'.
    if (form_.Answer()) {
        accept();
    } else {
        reject();
    }
}

}  // namespace bramblet::ui
