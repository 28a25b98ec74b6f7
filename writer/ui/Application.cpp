#include "writer/ui/Application.h"

#include <QMessageBox>
#include <exception>

namespace bramblet::ui {

void ShowErrorBox(const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Bramblet2"), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    }
    return false;
}

}  // namespace bramblet::ui
