#pragma once
// TForm2, the ID code dialog in Qt: its widgets, built from the dialog's layout table, wired to
// the dialog's rules (IdCodeForm). Created once with the main window, its parent, 100 pixels
// right of and below which it stays; its fields keep their texts from one showing to the next.
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <array>
#include <optional>
#include <string>

#include "writer/form/IdCodeForm.h"

namespace bramblet::ui {

class TForm2 : public QDialog, private form::IdDialogFace {
public:
    explicit TForm2(QWidget& mainWindow);

    QLabel* Label2;
    std::array<QLineEdit*, 7> Edits;  // Edit1 to Edit7
    QPushButton* Button2;
    QComboBox* ComboBox1;
    QPushButton* Button1;
    QPushButton* Button3;
    QStatusBar* StatusBar1;
    QFileDialog* OpenDialog1;

    // Shows the dialog modally, opening with `family`; the code and the family text when OK
    // closed it with valid fields, nothing when it was cancelled or closed.
    // Its texts are in `lang`.
    std::optional<IdCodeAnswer> Execute(const std::string& family, text::Lang lang);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FormPaint();

    // IdDialogFace.
    std::string FieldText(std::size_t index) const override;
    void SetFieldText(std::size_t index, const std::string& text) override;
    std::string FamilyText() const override;
    void SetFamilyText(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    std::optional<std::string> ChooseFile(const form::OpenDialogDefaults& defaults) override;
    void CloseDialog() override;
    void ShowLanguage(text::Lang lang) override;

    QWidget& mainWindow_;
    form::IdCodeForm form_;
};

}  // namespace bramblet::ui
