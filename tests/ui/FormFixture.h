#pragma once
// A main window and its ID code dialog as the program builds them, over a settings file and a
// work folder of the test's own; error boxes and beeps are recorded instead of shown.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QtTest/QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "tests/support/SRecords.h"
#include "tests/support/StatusTexts.h"
#include "tests/support/TempDir.h"
#include "writer/platform/RegFile.h"
#include "writer/platform/posix/SettingsFile.h"
#include "writer/ui/Unit1.h"
#include "writer/ui/Unit2.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace bramblet::ui::testing {

using bramblet::testing::SRecords;
using bramblet::testing::TempDir;
using namespace bramblet::testing::status_texts;

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A port that opens and never answers; `onWrite` lets a test act while an operation runs.
class SilentPorts : public PortOpener {
public:
    std::function<void()> onWrite;
    OpenResult Open(const std::string&) override {
        class Port : public SerialPort {
        public:
            explicit Port(SilentPorts& owner) : owner_(owner) {}
            bool Setup(std::uint32_t) override { return true; }
            void Write(std::span<const std::uint8_t>) override {
                if (owner_.onWrite) owner_.onWrite();
            }
            std::size_t Read(std::span<std::uint8_t>) override { return 0; }
            void DiscardInput() override {}
            PortLoss Lost() const override { return {}; }
            std::string SetLine(ModemLine, bool) override { return "no modem lines"; }
            void Pause(std::chrono::milliseconds) override {}

        private:
            SilentPorts& owner_;
        };
        OpenResult r;
        r.port = std::make_unique<Port>(*this);
        return r;
    }
};

class FormTest : public ::testing::Test {
protected:
    FormTest() : oldCwd_(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(work.Path().string()));
        settingsPath = (config.Path() / "ORVANE" / "Bramblet.reg").string();
        store = FileSettingsStore(settingsPath);
    }
    ~FormTest() override {
        dialog.reset();
        form.reset();
        QDir::setCurrent(oldCwd_);
    }

    // Builds and shows the window, which runs FormShow.
    TForm1& Open(QStringList arguments = {}) {
        Form1Services services;
        services.ports = ports ? ports : &silent;
        services.settings = store.get();
        services.portNames = [this] { return portNames(); };
        services.beep = [this](std::uint32_t type) { beeps.push_back(type); };
        services.showError = [this](const QString& text) { errors << text; };
        dialog.reset();  // a child of the window it belongs to
        form.reset();
        form = std::make_unique<TForm1>(services, arguments);
        dialog = std::make_unique<TForm2>(*form);
        form->SetIdCodeDialog(dialog.get());
        form->show();
        return *form;
    }

    // Writes a settings file in the export format.
    void Settings(const std::string& values) {
        std::filesystem::create_directories(config.Path() / "ORVANE");
        std::ofstream(settingsPath, std::ios::binary)
            << "Windows Registry Editor Version 5.00\r\n\r\n[" << kSettingsKeyPath << "]\r\n"
            << values;
    }
    // The settings file as UTF-8 text.
    std::string SettingsText() const {
        std::ifstream in(settingsPath, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        if (bytes.size() < 2) return {};
        return StringFromData(std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end()));
    }

    // A write file of `count` bytes ending at `last`.
    std::string WriteFile(const std::string& name, std::uint32_t last, std::size_t count = 256) {
        const std::uint32_t first = static_cast<std::uint32_t>(last + 1 - count);
        const char type = last > 0xFFFF ? '2' : '1';
        return work.Write(name, bramblet::testing::SRecord('0', 0, {}) +
                                    SRecords(type, first, count) +
                                    (type == '2' ? "S804000000FB\n" : "S9030000FC\n"));
    }

    // Types `name` into a file dialog's name field and confirms, as a user does.
    static void ChooseInDialog(QWidget* modal, const QString& name) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        static_cast<QDialog*>(dialog)->accept();
    }

    QString Status() const { return form->StatusBar1->currentMessage(); }

    // Runs `action` on the next modal dialog that opens (the file-open dialog, a message box).
    static void OnNextModal(std::function<void(QWidget*)> action) {
        QTimer::singleShot(0, [action] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            action(modal);
        });
    }

    TempDir work, config;
    std::string settingsPath;
    std::unique_ptr<SettingsStore> store;
    SilentPorts silent;
    PortOpener* ports = nullptr;
    std::function<std::optional<std::vector<std::string>>()> portNames = [] {
        return std::optional<std::vector<std::string>>();
    };
    std::vector<std::uint32_t> beeps;
    QStringList errors;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TForm2> dialog;

private:
    QString oldCwd_;
};

}  // namespace bramblet::ui::testing
