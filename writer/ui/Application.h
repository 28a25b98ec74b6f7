#pragma once
#include <QApplication>
#include <QString>

namespace bramblet::ui {

// The error box titled "Bramblet2".
void ShowErrorBox(const QString& text, QWidget* parent = nullptr);

// An error that escapes an event handler is shown in the error box and the program goes on
// with the next event, rather than unwinding through the toolkit.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace bramblet::ui
