#include "writer/ui/Application.h"

#include <QMessageBox>
#include <exception>

#include "writer/form/Layout.h"

namespace bramblet::ui {

void ShowErrorBox(const QString& text, QWidget* parent) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(form::kApplicationTitle), text,
                    QMessageBox::Ok, parent);
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
