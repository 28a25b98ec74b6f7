#pragma once
// TForm2, the ID code dialog: seven hex byte fields and the family that decides the ID address,
// typed or loaded from an ID file. Created once with the main window, its parent, 100 pixels
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

#include "writer/core/WriterView.h"

namespace bramblet::ui {

class TForm2 : public QDialog {
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
    std::optional<IdCodeAnswer> Execute(const std::string& family);

    void FormShow();
    void FormPaint();
    void Button1Click();
    void Button2Click();
    void Button3Click() { reject(); }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget& mainWindow_;
    QString family_;  // what the family box opens with
    std::optional<IdCodeAnswer> answer_;
};

}  // namespace bramblet::ui
