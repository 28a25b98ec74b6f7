#pragma once
// TForm2, the ID code dialog: seven hex byte fields and the family that decides the ID address,
// typed or loaded from an ID file. Created once with the main window; its fields keep their
// texts from one showing to the next.
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <array>
#include <string>

#include "core/WriterView.h"

namespace bramblet::ui {

class TForm1;

class TForm2 : public QDialog {
public:
    explicit TForm2(TForm1& form1);

    QLabel* Label2;
    std::array<QLineEdit*, 7> Edits;  // Edit1 to Edit7
    QPushButton* Button2;
    QComboBox* ComboBox1;
    QPushButton* Button1;
    QPushButton* Button3;
    QStatusBar* StatusBar1;
    QFileDialog* OpenDialog1;

    // Shows the dialog modally; OK with valid fields stores the code and the family text,
    // anything else stores nothing.
    void Execute(IdCodeBytes& dialogIdCode, std::string& dialogCpuFamily);

    void FormShow();
    void FormPaint();
    void Button1Click();
    void Button2Click();
    void Button3Click() { reject(); }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TForm1& form1_;
    IdCodeBytes* codeOut_ = nullptr;
    std::string* familyOut_ = nullptr;
};

}  // namespace bramblet::ui
