// The main window: its controls, start and close with the settings, the command line and the
// three ways of choosing a write file.
#include <QContextMenuEvent>
#include <QMimeData>
#include <QUrl>

#include "tests/ui/FormFixture.h"
#include "writer/form/Layout.h"

namespace bramblet::ui::testing {
namespace {

// File managers send the dropped files' addresses also as plain text.
void Drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    data.setText(urls.front().toString());
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

void DoubleClickFile(TForm1& f, const QString& name) {
    const auto items = f.FileListBox1->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << name.toStdString();
    const QRect r = f.FileListBox1->visualItemRect(items.front());
    QTest::mouseClick(f.FileListBox1->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(f.FileListBox1->viewport(), Qt::LeftButton, {}, r.center());
}

// The Qt class each kind of control is built as.
const char* QtClass(form::ControlKind kind) {
    switch (kind) {
        case form::ControlKind::DriveBox:
            return "QComboBox";
        case form::ControlKind::FolderList:
            return "QListWidget";
        case form::ControlKind::FileList:
            return "QListWidget";
        case form::ControlKind::Edit:
            return "QLineEdit";
        case form::ControlKind::StatusBar:
            return "QStatusBar";
        case form::ControlKind::ComboBox:
            return "QComboBox";
        case form::ControlKind::Button:
            return "QPushButton";
        case form::ControlKind::Label:
            return "QLabel";
        case form::ControlKind::ProgressBar:
            return "QProgressBar";
        case form::ControlKind::CheckBox:
            return "QCheckBox";
        case form::ControlKind::OpenDialog:
            return "QFileDialog";
    }
    return "";
}

// The text a control shows; null for controls without one of their own.
QString ShownText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* cb = qobject_cast<QComboBox*>(w)) return cb->currentText();
    return {};
}

// Every row of the layout table reaches its widget; the rows themselves are checked against the
// design's figures in the form model's tests.
TEST_F(FormTest, ControlsAsTheLayoutTableSays) {
    TForm1& f = Open();
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8(form::kForm1.caption));
    EXPECT_EQ(f.size(), QSize(form::kForm1.width, form::kForm1.height));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(f.font().family(), QString::fromUtf8(form::kFontFamily));
    EXPECT_EQ(f.font().pixelSize(), form::kFontPixels);
    // The Japanese font really draws the Japanese texts.
    EXPECT_TRUE(QFontInfo(f.Button1->font()).family().contains(QStringLiteral("IPA")) ||
                QFontInfo(f.Button1->font()).family().contains(QStringLiteral("Noto")))
        << QFontInfo(f.Button1->font()).family().toStdString();

    for (const form::ControlLayout& row : form::kForm1Controls) {
        SCOPED_TRACE(row.name);
        QWidget* w = f.findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(QtClass(row.kind))) << w->metaObject()->className();
        if (row.kind == form::ControlKind::OpenDialog) {
            EXPECT_FALSE(w->isVisible());
            continue;
        }
        if (row.autoSize) {
            EXPECT_EQ(w->pos(), QPoint(row.left, row.top));
        } else {
            EXPECT_EQ(w->geometry(), QRect(row.left, row.top, row.width, row.height));
        }
        EXPECT_EQ(w->font().pixelSize(), row.fontPixels);
        // The drive box shows the drive, and Label4 the check's result by now.
        const QString text = ShownText(w);
        if (!text.isNull() && row.kind != form::ControlKind::DriveBox && !row.autoSize) {
            EXPECT_EQ(text, QString::fromUtf8(row.text));
        }
    }
    EXPECT_EQ(f.ProgressBar1->minimum(), 0);
    EXPECT_EQ(f.ProgressBar1->maximum(), 100);
    EXPECT_EQ(f.ComboBox1->count(), 0);
    ASSERT_EQ(f.ComboBox2->count(), 3);
    EXPECT_EQ(f.ComboBox2->itemText(1), QStringLiteral("M16C"));
    EXPECT_EQ(f.ComboBox2->itemText(2), QStringLiteral("M32C"));
    EXPECT_TRUE(f.ComboBox1->isEditable());
    EXPECT_TRUE(f.ComboBox2->isEditable());

    // Keyboard order. The chain also holds the controls' own parts (scroll bars, edit fields);
    // the controls come in this order.
    std::vector<const QWidget*> order;
    for (std::string_view name : form::kForm1TabOrder) {
        order.push_back(f.findChild<QWidget*>(QString::fromLatin1(name.data(), name.size())));
    }
    std::vector<const QWidget*> chain;
    const QWidget* w = order[0];
    do {
        if (std::find(order.begin(), order.end(), w) != order.end()) chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != order[0]);
    EXPECT_EQ(chain, order);
    // The browser shows the current folder.
    EXPECT_EQ(f.DirectoryListBox1->Directory(), QDir::currentPath());
}

TEST_F(FormTest, FirstRunWithNoSettings) {
    TForm1& f = Open();
    EXPECT_EQ(f.pos(), QPoint(204, 118));
    EXPECT_EQ(f.Edit1->text(), QString());
    EXPECT_EQ(f.ComboBox1->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("R8C"));
    EXPECT_FALSE(f.CheckBox1->isChecked());
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(f.Label4->text(), Q(kCheckFailed));
    EXPECT_EQ(Status(), Q(kNotSFormat));
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(f.acceptDrops());
    EXPECT_EQ(f.focusWidget(), f.Edit1);
    EXPECT_EQ(f.Core().DialogIdCode(), (IdCodeBytes{}));
    EXPECT_EQ(f.Core().DialogCpuFamily(), "");
}

TEST_F(FormTest, RememberedSettingsAreAppliedUnchanged) {
    const std::string file = WriteFile("prog.mot", 0xFFFF);
    Settings(
        "\"WindowTop\"=dword:ffffd8f0\r\n\"WindowLeft\"=dword:00004e20\r\n"
        "\"FileName\"=\"" +
        file +
        "\"\r\n\"COM\"=\"ttyUSB3\"\r\n"
        "\"ModePin\"=dword:00000005\r\n\"CPU\"=hex(2):4d,00,31,00,36,00,43,00,00,00\r\n");
    TForm1& f = Open();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(f.pos(), QPoint(20000, -10000));  // off every screen, as saved
    EXPECT_EQ(f.Edit1->text(), Q(file));
    EXPECT_EQ(f.ComboBox1->currentText(), QStringLiteral("ttyUSB3"));
    EXPECT_TRUE(f.CheckBox1->isChecked());
    // The file ends at 0xFFFF, but with no command-line file the family stays as remembered.
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M16C"));
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("書込エリア(00FF00-00FFFF)  書込サイズ(256バイト)"));
    EXPECT_EQ(Status(), Q(kReady));
    EXPECT_EQ(f.FileListBox1->FileName(), Q(file));
    EXPECT_EQ(f.Edit1->selectedText(), Q(file));

    // A double-click on the same file selects the family from its addresses; the checked mode
    // pin is kept and saved as 1.
    DoubleClickFile(f, QStringLiteral("prog.mot"));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("R8C"));
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
    f.ComboBox2->lineEdit()->selectAll();
    QTest::keyClicks(f.ComboBox2->lineEdit(), QStringLiteral("M16C"));
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_TRUE(f.CheckBox1->isChecked());
    EXPECT_TRUE(f.close());
    EXPECT_NE(SettingsText().find("\"ModePin\"=dword:00000001\r\n\"CPU\"=\"M16C\"\r\n"),
              std::string::npos)
        << SettingsText();  // existing values are overwritten where they stand
}

TEST_F(FormTest, DamagedSettingsStopTheShowAtTheirValue) {
    const std::string good =
        "\"WindowTop\"=dword:00000010\r\n\"WindowLeft\"=dword:00000020\r\n"
        "\"FileName\"=\"x.mot\"\r\n\"COM\"=\"COM4\"\r\n"
        "\"ModePin\"=dword:00000001\r\n\"CPU\"=\"M32C\"\r\n";
    auto without = [&](const std::string& name, const std::string& replacement) {
        std::string values = good;
        const auto at = values.find("\"" + name + "\"");
        const auto end = values.find("\r\n", at) + 2;
        return values.replace(at, end - at, replacement);
    };
    struct Case {
        std::string values;
        QPoint pos;
        QString file, com, cpu;
        bool modePin;
    };
    const Case cases[] = {
        {without("WindowTop", ""), {204, 118}, "", "COM1", "R8C", false},
        {without("WindowTop", "\"WindowTop\"=\"16\"\r\n"), {204, 118}, "", "COM1", "R8C", false},
        {without("WindowLeft", "\"WindowLeft\"=hex(b):20,00,00,00,00,00,00,00\r\n"),
         {204, 16},
         "",
         "COM1",
         "R8C",
         false},
        {without("FileName", "\"FileName\"=dword:00000001\r\n"),
         {32, 16},
         "",
         "COM1",
         "R8C",
         false},
        {without("COM", "\"COM\"=hex:41,00\r\n"), {32, 16}, "x.mot", "COM1", "R8C", false},
        {without("ModePin", ""), {32, 16}, "x.mot", "COM4", "R8C", false},
        {without("ModePin", "\"ModePin\"=hex(4):01,00\r\n"),
         {32, 16},
         "x.mot",
         "COM4",
         "R8C",
         false},
        {without("CPU", "\"CPU\"=dword:00000000\r\n"), {32, 16}, "x.mot", "COM4", "R8C", true},
        {good + "\"Broken\"=\"\r\n", {204, 118}, "", "COM1", "R8C", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        errors.clear();
        Settings(c.values);
        TForm1& f = Open();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(f.pos(), c.pos);
        EXPECT_EQ(f.Edit1->text(), c.file);
        EXPECT_EQ(f.ComboBox1->currentText(), c.com);
        EXPECT_EQ(f.ComboBox2->currentText(), c.cpu);
        EXPECT_EQ(f.CheckBox1->isChecked(), c.modePin);
        // The rest of the show does not happen: no drops, no check.
        EXPECT_FALSE(f.acceptDrops());
        EXPECT_EQ(f.Label4->text(), QString());
        // The window works all the same, and closing writes the key whole again.
        EXPECT_TRUE(f.close());
        EXPECT_NE(SettingsText().find("\"ModePin\"=dword:"), std::string::npos);
    }
}

TEST_F(FormTest, EmptyRememberedFamilyBecomesR8C) {
    Settings(
        "\"WindowTop\"=dword:00000000\r\n\"WindowLeft\"=dword:00000000\r\n"
        "\"ModePin\"=dword:00000000\r\n\"CPU\"=\"\"\r\n");
    TForm1& f = Open();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("R8C"));
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
}

TEST_F(FormTest, RememberedFileThatIsGone) {
    Settings(
        "\"WindowTop\"=dword:00000000\r\n\"WindowLeft\"=dword:00000000\r\n"
        "\"FileName\"=\"" +
        work.Name("gone/prog.mot") +
        "\"\r\n"
        "\"ModePin\"=dword:00000000\r\n\"CPU\"=\"\"\r\n");
    TForm1& f = Open();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.front().contains(QStringLiteral("gone"))) << errors.front().toStdString();
    EXPECT_EQ(f.Label4->text(), QString());  // steps 5 to 8 are not performed
    EXPECT_EQ(f.ComboBox2->currentText(), QString());
    EXPECT_TRUE(f.acceptDrops());
}

// The program's arguments reach the form: prog.x30 is taken as prog.MOT and checked.
TEST_F(FormTest, CommandLine) {
    WriteFile("prog.MOT", 0xFFFFF);
    TForm1& f = Open({QStringLiteral("prog.x30")});
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("prog.MOT"));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M16C"));
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("書込エリア(0FFF00-0FFFFF)  書込サイズ(256バイト)"));
}

TEST_F(FormTest, FileListDoubleClick) {
    WriteFile("data.s", 0xFFFF);
    work.Write("notes.txt", "hello");
    const std::string big = WriteFile("big.mot", 0xFFFFFF);
    // The ID file beside the write file names the family last.
    work.Write("big.id", "ID\nFFFDDF:00\n");
    TForm1& f = Open();
    f.ComboBox2->setEditText(QStringLiteral("M32C"));
    DoubleClickFile(f, QStringLiteral("data.s"));
    EXPECT_EQ(f.Edit1->text(), Q(work.Name("data.s")));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("R8C"));
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(Status(), Q(kReady));
    EXPECT_EQ(f.Edit1->selectedText(), f.Edit1->text());

    // Another extension keeps the name, which is checked again.
    f.Label4->clear();
    DoubleClickFile(f, QStringLiteral("notes.txt"));
    EXPECT_EQ(f.Edit1->text(), Q(work.Name("data.s")));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("書込エリア(00FF00-00FFFF)  書込サイズ(256バイト)"));

    DoubleClickFile(f, QStringLiteral("big.mot"));
    EXPECT_EQ(f.Edit1->text(), Q(big));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M16C"));  // from the ID file
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
}

TEST_F(FormTest, FileDialog) {
    WriteFile("sub/fw.mot", 0xFFFF);
    TForm1& f = Open();
    f.Edit1->setText(QStringLiteral("before"));
    f.Label4->setText(QStringLiteral("label"));
    f.ComboBox2->setEditText(QStringLiteral("M16C"));
    const QString status = Status();

    // Cancelled: nothing changes but the mode-pin box.
    OnNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("MOT"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        dialog->reject();
    });
    QTest::mouseDClick(f.Edit1, Qt::LeftButton);
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("before"));
    EXPECT_EQ(f.Label4->text(), QStringLiteral("label"));
    EXPECT_EQ(Status(), status);
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));

    // A chosen file: the browser moves to it, the file is checked and the family selected.
    const QString chosen = Q(work.Name("sub/fw.mot"));
    OnNextModal([chosen](QWidget* modal) { ChooseInDialog(modal, chosen); });
    QTest::mouseDClick(f.Edit1, Qt::LeftButton);
    EXPECT_EQ(f.Edit1->text(), chosen);
    EXPECT_EQ(QDir::currentPath(), Q(work.Name("sub")));
    EXPECT_EQ(f.FileListBox1->FileName(), chosen);
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("R8C"));
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));

    // A new name typed in the dialog: the browser cannot apply it, and the handler stops there.
    f.Label4->setText(QStringLiteral("label"));
    const QString typed = Q(work.Name("sub/new"));
    OnNextModal([typed](QWidget* modal) { ChooseInDialog(modal, typed); });
    QTest::mouseDClick(f.Edit1, Qt::LeftButton);
    EXPECT_EQ(f.Edit1->text(), typed + QStringLiteral(".MOT"));
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(f.Label4->text(), QStringLiteral("label"));
}

TEST_F(FormTest, DroppedFiles) {
    const std::string first = WriteFile("a.mot", 0xFFFFF);
    WriteFile("b.mot", 0xFFFF);
    TForm1& f = Open();
    // Two files at once: the first one counts.
    Drop(&f, {QUrl::fromLocalFile(Q(first)), QUrl::fromLocalFile(Q(work.Name("b.mot")))});
    EXPECT_EQ(f.Edit1->text(), Q(first));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M16C"));
    EXPECT_EQ(f.FileListBox1->FileName(), Q(first));

    // Onto the name field or a box it is the same drop, not text typed into the field.
    Drop(f.Edit1, {QUrl::fromLocalFile(Q(work.Name("b.mot")))});
    EXPECT_EQ(f.Edit1->text(), Q(work.Name("b.mot")));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("R8C"));
    Drop(f.ComboBox1->lineEdit(), {QUrl::fromLocalFile(Q(first))});
    Drop(f.ComboBox2->lineEdit(), {QUrl::fromLocalFile(Q(first))});
    EXPECT_EQ(f.Edit1->text(), Q(first));
    EXPECT_EQ(f.ComboBox1->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M16C"));
    EXPECT_TRUE(errors.isEmpty());
}

// The mode-pin box follows the family box's text however it changes: set by the program, picked
// from the list or typed.
TEST_F(FormTest, ModePinFollowsTheFamilyBox) {
    TForm1& f = Open();
    f.ComboBox2->setEditText(QStringLiteral("m16c"));
    f.UpdateModePinVisibility();
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_FALSE(f.Label5->isVisibleTo(&f));
    f.ComboBox2->setCurrentIndex(0);
    QTest::keyClick(f.ComboBox2, Qt::Key_Down);
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    f.ComboBox2->lineEdit()->selectAll();
    QTest::keyClicks(f.ComboBox2->lineEdit(), QStringLiteral("r8c"));
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    f.ComboBox2->lineEdit()->selectAll();
    QTest::keyClicks(f.ComboBox2->lineEdit(), QStringLiteral("R8C"));
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_TRUE(f.Label5->isVisibleTo(&f));
}

// What the user types into either box is what the window uses and keeps: no completion to an
// item's text or case, and the mode-pin box follows the text the user ends up with.
TEST_F(FormTest, TypedBoxTextsStayAsTyped) {
    portNames = [] {
        return std::optional<std::vector<std::string>>(std::vector<std::string>{"COM1", "COM10"});
    };
    TForm1& f = Open();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    auto type = [](QComboBox* box, const char* text, Qt::Key key) {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), QString::fromLatin1(text));
        QTest::keyClick(box->lineEdit(), key);
        return box->currentText();
    };
    EXPECT_EQ(type(f.ComboBox2, "r8c", Qt::Key_Return), QStringLiteral("r8c"));
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(type(f.ComboBox2, "R", Qt::Key_Return), QStringLiteral("R"));
    EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(type(f.ComboBox2, "R8C", Qt::Key_Tab), QStringLiteral("R8C"));
    EXPECT_TRUE(f.CheckBox1->isVisibleTo(&f));
    EXPECT_EQ(type(f.ComboBox2, "m16c", Qt::Key_Tab), QStringLiteral("m16c"));
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(type(f.ComboBox1, "com1", Qt::Key_Tab), QStringLiteral("com1"));
    EXPECT_EQ(type(f.ComboBox1, "COM", Qt::Key_Return), QStringLiteral("COM"));
}

// The list is built when it opens, in the form's order, and leaves the typed text alone; a
// failure reaches the error box.
TEST_F(FormTest, PortListFilledWhenOpened) {
    std::optional<std::vector<std::string>> system = std::vector<std::string>{"COM10", "COM3"};
    bool fail = false;
    portNames = [&] {
        if (fail) throw SettingsError("bad value");
        return system;
    };
    TForm1& f = Open();
    f.ComboBox1->setEditText(QStringLiteral("COM7"));
    EXPECT_EQ(f.ComboBox1->count(), 0);  // nothing until the list is opened
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    ASSERT_EQ(f.ComboBox1->count(), 2);
    EXPECT_EQ(f.ComboBox1->itemText(0), QStringLiteral("COM3"));
    EXPECT_EQ(f.ComboBox1->itemText(1), QStringLiteral("COM10"));
    EXPECT_EQ(f.ComboBox1->currentText(), QStringLiteral("COM7"));
    fail = true;
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(errors, QStringList{QStringLiteral("bad value")});
    EXPECT_EQ(f.ComboBox1->count(), 2);
}

TEST_F(FormTest, SettingsWrittenAtClose) {
    TForm1& f = Open();
    f.move(-5, 40);
    f.Edit1->setText(QStringLiteral("C:\\書込\\\"x\".mot"));
    f.ComboBox1->setEditText(QStringLiteral("any text"));
    f.ComboBox2->setEditText(QStringLiteral("m32c"));
    f.CheckBox1->setChecked(true);
    EXPECT_FALSE(std::filesystem::exists(settingsPath));  // nothing is stored while it runs
    EXPECT_TRUE(f.close());
    // Each control's value reaches the file; their order and form are the form model's.
    const std::string text = SettingsText();
    for (const char* line :
         {"\"WindowTop\"=dword:00000028\r\n", "\"WindowLeft\"=dword:fffffffb\r\n",
          "\"FileName\"=\"C:\\\\書込\\\\\\\"x\\\".mot\"\r\n", "\"COM\"=\"any text\"\r\n",
          "\"CPU\"=\"m32c\"\r\n", "\"ModePin\"=dword:00000001\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    // The next start reads back what was saved.
    TForm1& g = Open();
    EXPECT_EQ(g.pos(), QPoint(-5, 40));
    EXPECT_EQ(g.ComboBox2->currentText(), QStringLiteral("m32c"));
    EXPECT_EQ(errors.size(), 1);  // the remembered file does not exist
}

// The window's own menu opens on the status line and the background, not on a field with its
// own; a tick there reaches the settings file when the window closes.
TEST_F(FormTest, ContextMenuShowsTheChoicesAndATickIsSaved) {
    TForm1& f = Open();
    auto rightClick = [](QWidget* w, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &event);
    };
    rightClick(f.Edit1, QPoint(5, 5));
    EXPECT_FALSE(f.PopupMenu1->isVisible());
    rightClick(f.Button1, QPoint(5, 5));
    EXPECT_FALSE(f.PopupMenu1->isVisible());

    for (QWidget* w : {static_cast<QWidget*>(f.StatusBar1), static_cast<QWidget*>(&f)}) {
        rightClick(w, w == &f ? QPoint(300, 225) : QPoint(5, 5));
        ASSERT_TRUE(f.PopupMenu1->isVisible()) << w->objectName().toStdString();
        const QList<QAction*> actions = f.PopupMenu1->actions();
        ASSERT_EQ(actions.size(), 2);
        EXPECT_EQ(actions[0]->text(), QStringLiteral("高速通信 (115200)"));
        EXPECT_EQ(actions[1]->text(), QStringLiteral("チェックデータで照合"));
        EXPECT_TRUE(actions[0]->isCheckable());
        EXPECT_FALSE(actions[0]->isChecked());
        f.PopupMenu1->close();
    }
    f.PopupMenu1->actions()[1]->trigger();
    rightClick(&f, QPoint(300, 225));
    EXPECT_TRUE(f.PopupMenu1->actions()[1]->isChecked());
    f.PopupMenu1->close();

    EXPECT_TRUE(f.close());
    const std::string text = SettingsText();
    EXPECT_NE(text.find("\"ModePin\"=dword:00000000\r\n\"VerifyBy\"=\"sum\"\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Baud"), std::string::npos) << text;  // never chosen, never written
}

// A second close request ends the window even when the settings still cannot be written.
TEST_F(FormTest, SecondCloseEndsTheWindowWhenTheSettingsCannotBeWritten) {
    // A folder in which no one, root included, can create a file.
    settingsPath = "/proc/self/Bramblet.reg";
    store = FileSettingsStore(settingsPath);
    TForm1& f = Open();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_FALSE(f.close());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("/proc/self/Bramblet.reg")))
        << errors[0].toStdString();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.close());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_FALSE(f.isVisible());
}

// While an operation runs, the window paints its status and drops input; a close asked for
// meanwhile waits for the end, then saves the whole state once.
TEST_F(FormTest, OperationKeepsPaintingAndHoldsTheClose) {
    TForm1& f = Open();
    f.Edit1->setText(Q(WriteFile("prog.mot", 0xFFFF)));
    QStringList statuses;
    QObject::connect(f.StatusBar1, &QStatusBar::messageChanged,
                     [&](const QString& s) { statuses << s; });
    int paints = 0;
    struct PaintCounter : QObject {
        int* paints;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++*paints;
            return false;
        }
    } counter;
    counter.paints = &paints;
    f.StatusBar1->installEventFilter(&counter);
    bool closed = true;
    int writes = 0;
    silent.onWrite = [&] {
        if (++writes != 1) return;
        EXPECT_TRUE(f.Busy());
        EXPECT_FALSE(f.Button1->isEnabled());
        EXPECT_TRUE(f.Button2->isEnabled());
        QTest::mouseClick(f.Button2, Qt::LeftButton);     // dropped
        QTest::keyClicks(f.Edit1, QStringLiteral("zz"));  // dropped
        closed = f.close();
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(std::filesystem::exists(settingsPath));
    };
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(statuses.contains(Q(kStartErase)));
    EXPECT_EQ(statuses.back(), Q(kNoAnswer));
    EXPECT_GT(paints, 0);
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{kBeepFailure});
    // The held close has happened now, with the state as the operation left it.
    EXPECT_FALSE(f.isVisible());
    EXPECT_NE(SettingsText().find("prog.mot\"\r\n"), std::string::npos);
    EXPECT_TRUE(f.Button1->isEnabled());
}

// Input is held while an operation runs, but a drop still reaches the form, which keeps it.
TEST_F(FormTest, FileDroppedDuringAnOperationIsTakenAfterIt) {
    TForm1& f = Open();
    const std::string later = WriteFile("later.mot", 0xFFFF);
    bool dropped = false;
    silent.onWrite = [&] {
        if (dropped) return;
        dropped = true;
        Drop(&f, {QUrl::fromLocalFile(Q(later))});
        EXPECT_EQ(f.Edit1->text(), QString());
    };
    QTest::mouseClick(f.Button2, Qt::LeftButton);
    EXPECT_TRUE(dropped);
    EXPECT_EQ(f.Edit1->text(), Q(later));
    EXPECT_EQ(Status(), Q(kReady));
}

}  // namespace
}  // namespace bramblet::ui::testing
