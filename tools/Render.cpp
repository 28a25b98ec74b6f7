// bramblet-render: draws the main window and the ID code dialog to PNG files for review, in
// Japanese and then, chosen in the window's menu as a user chooses it, in English ("-en").
//   bramblet-render OUTDIR [WRITEFILE]
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "writer/platform/posix/SettingsFile.h"
#include "writer/ui/Fonts.h"
#include "writer/ui/Unit1.h"
#include "writer/ui/Unit2.h"

namespace {

// Connects to nothing: the pictures show the window before any operation.
class NoPorts : public bramblet::PortOpener {
public:
    bramblet::OpenResult Open(const std::string&) override {
        bramblet::OpenResult r;
        r.error = bramblet::OpenError::NotFound;
        return r;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fputs("usage: bramblet-render OUTDIR [WRITEFILE]\n", stderr);
        return 2;
    }
    const QString out = QDir(args[1]).absolutePath();
    QDir().mkpath(out);
    bramblet::ui::InstallFontSubstitutes();

    // A settings file of its own, so the user's remembered window is not what is drawn.
    QTemporaryDir settingsDir;
    NoPorts ports;
    const auto settings = bramblet::FileSettingsStore(
        settingsDir.filePath(QStringLiteral("Bramblet.reg")).toStdString());
    bramblet::ui::Form1Services services;
    services.ports = &ports;
    services.settings = settings.get();
    services.portNames = [] { return std::optional<std::vector<std::string>>(); };
    services.showError = [](const QString& text) {
        std::fprintf(stderr, "error box: %s\n", text.toUtf8().constData());
    };
    QStringList writeFile;
    if (args.size() > 2) writeFile << QFileInfo(args[2]).absoluteFilePath();
    bramblet::ui::TForm1 form1(services, writeFile);
    bramblet::ui::TForm2 form2(form1);
    form1.SetIdCodeDialog(&form2);
    form1.show();
    form1.SetVersionText("VER.1.00");
    bool ok = true;
    auto draw = [&](const QString& suffix) {
        QCoreApplication::processEvents();
        const QString mainPng = out + QStringLiteral("/main-window%1.png").arg(suffix);
        const QString dialogPng = out + QStringLiteral("/id-dialog%1.png").arg(suffix);
        ok = form1.grab().save(mainPng) && ok;
        // Opened as the ID check opens it, with the window's family, then drawn and cancelled.
        QTimer::singleShot(0, &form2, [&] {
            ok = form2.grab().save(dialogPng) && ok;
            form2.reject();
        });
        form2.Execute(form1.ComboBox2->currentText().toStdString(), form1.Form().CurrentLanguage());
        std::printf("%s\n%s\n", mainPng.toUtf8().constData(), dialogPng.toUtf8().constData());
    };
    draw(QString());
    const auto choices = bramblet::form::WindowChoices();
    for (std::size_t row = 0; row < choices.size(); ++row) {
        if (choices[row].text == text::Tx::MenuEnglish) form1.Form().MenuItemClick(row);
    }
    draw(QStringLiteral("-en"));
    return ok ? 0 : 1;
}
