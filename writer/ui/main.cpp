// Bramblet: the writer's window.
#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <exception>

#include "writer/form/Layout.h"
#include "writer/platform/PortList.h"
#include "writer/platform/System.h"
#include "writer/ui/Application.h"
#include "writer/ui/Fonts.h"
#include "writer/ui/Unit1.h"
#include "writer/ui/Unit2.h"

int main(int argc, char** argv) {
    bramblet::ui::Application app(argc, argv);
    // Port names are ordered in the user's locale.
    std::setlocale(LC_COLLATE, "");
    try {
        QApplication::setApplicationName(QString::fromUtf8(bramblet::form::kApplicationTitle));
        bramblet::ui::InstallFontSubstitutes();
        const auto ports = bramblet::SystemPortOpener();
        const auto settings = bramblet::SystemSettingsStore();
        bramblet::ui::Form1Services services;
        services.ports = ports.get();
        services.settings = settings.get();
        services.portNames = bramblet::SystemPortNames;
        services.beep = [](std::uint32_t type) {
            if (!bramblet::SystemBeep(type)) QApplication::beep();
        };
        bramblet::ui::TForm1 form1(services, QCoreApplication::arguments().mid(1));
        bramblet::ui::TForm2 form2(form1);
        form1.SetIdCodeDialog(&form2);
        form1.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        bramblet::ui::ShowErrorBox(QString::fromUtf8(e.what()));
    }
    return 0;
}
