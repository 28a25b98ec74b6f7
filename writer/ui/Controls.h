#pragma once
// Qt widgets made from the windows' layout tables.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QValidator>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "writer/form/Layout.h"
#include "writer/form/MainForm.h"
#include "writer/ui/Fonts.h"

namespace bramblet::ui {

// Turns every typed letter into upper case as it is typed.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

// Puts `widget` where `layout` says; a label that sizes itself takes its text's size.
inline void SetBounds(QWidget* widget, const form::ControlLayout& layout) {
    if (layout.autoSize) {
        widget->move(layout.left, layout.top);
        widget->adjustSize();
    } else {
        widget->setGeometry(layout.left, layout.top, layout.width, layout.height);
    }
}

// Gives `widget` its name, place, font and first text from `layout`; returns it.
template <typename Widget>
Widget* Place(Widget* widget, const form::ControlLayout& layout) {
    widget->setObjectName(QString::fromLatin1(layout.name));
    if (layout.fontPixels != form::kFontPixels) widget->setFont(FormFont(layout.fontPixels));
    const QString text = QString::fromUtf8(layout.text);
    if constexpr (std::is_base_of_v<QAbstractButton, Widget> || std::is_base_of_v<QLabel, Widget>) {
        widget->setText(text);
    } else if constexpr (std::is_base_of_v<QLineEdit, Widget>) {
        widget->setText(text);
        if (layout.maxLength > 0) widget->setMaxLength(layout.maxLength);
        if (layout.upperCase) widget->setValidator(new UpperCase(widget));
    } else if constexpr (std::is_base_of_v<QComboBox, Widget>) {
        widget->setEditable(true);
        // Typed text stays as typed: no completion to an item's text or letter case.
        widget->setCompleter(nullptr);
        widget->setInsertPolicy(QComboBox::NoInsert);
        widget->setEditText(text);
    } else if constexpr (std::is_base_of_v<QProgressBar, Widget>) {
        widget->setRange(0, 100);
        widget->setValue(0);
        widget->setTextVisible(false);
    }
    if constexpr (std::is_base_of_v<QWidget, Widget> && !std::is_base_of_v<QFileDialog, Widget>) {
        SetBounds(widget, layout);
    }
    return widget;
}

// The captions of `texts` as `table` has them, each control where `table` places it.
template <std::size_t N, std::size_t M>
void ShowTexts(QWidget* window, const std::array<form::ControlLayout, N>& table,
               const std::array<form::LanguageText, M>& texts) {
    for (const form::LanguageText& t : texts) {
        // Only the window's own: the dialog is a child of the main window, with names of its own.
        auto* widget =
            window->findChild<QWidget*>(QString::fromLatin1(t.name), Qt::FindDirectChildrenOnly);
        if (!widget) continue;
        const form::ControlLayout& layout = form::Control(table, t.name);
        const QString text = QString::fromUtf8(layout.text);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
        if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(text);
        SetBounds(widget, layout);
    }
}

// The keyboard order of the named children of `window`.
template <std::size_t N>
void SetTabOrder(QWidget* window, const std::array<std::string_view, N>& names) {
    QWidget* previous = nullptr;
    for (std::string_view name : names) {
        auto* w = window->findChild<QWidget*>(
            QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        if (previous && w) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

// Shows an open dialog modally with the window's defaults: the full path chosen, with the
// system's separators, or nothing when cancelled.
inline std::optional<std::string> ChooseInDialog(QFileDialog& dialog,
                                                 const form::OpenDialogDefaults& defaults) {
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QString::fromUtf8(defaults.defaultExtension));
    dialog.selectFile(QString::fromUtf8(defaults.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

}  // namespace bramblet::ui
