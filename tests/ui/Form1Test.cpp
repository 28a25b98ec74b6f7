// The main window: its controls, start and close with the settings, the command line and the
// three ways of choosing a write file.
#include <QMimeData>
#include <QUrl>

#include "tests/ui/FormFixture.h"
#include "writer/common/PortOrder.h"

namespace bramblet::ui::testing {
namespace {

const QString kNotSFormat = QStringLiteral("Sフォーマットファイルではありません！");
const QString kCheckFailed = QStringLiteral("書き込みファイルはSフォーマットでないか、異常です");
const QString kReady = QStringLiteral("ブートモードでマイコンの電源ON、書込実行ボタンを押す");

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

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

TEST_F(FormTest, ControlsAsDesigned) {
    TForm1& f = Open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("<R8C/M16C Talvoro2>  Orvane"));
    EXPECT_EQ(f.size(), QSize(361, 267));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(f.font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(f.font().pixelSize(), 12);
    // The Japanese font really draws the Japanese texts.
    EXPECT_TRUE(QFontInfo(f.Button1->font()).family().contains(QStringLiteral("IPA")) ||
                QFontInfo(f.Button1->font()).family().contains(QStringLiteral("Noto")))
        << QFontInfo(f.Button1->font()).family().toStdString();

    struct Control {
        const char* name;
        const char* kind;
        QRect geometry;
        QString text;
        int fontPixels;
    };
    const Control table[] = {
        {"DriveComboBox1", "QComboBox", {0, 0, 177, 18}, {}, 12},
        {"DirectoryListBox1", "QListWidget", {0, 20, 177, 121}, {}, 12},
        {"FileListBox1", "QListWidget", {180, 0, 181, 141}, {}, 12},
        {"Edit1", "QLineEdit", {68, 144, 285, 20}, "", 12},
        {"StatusBar1", "QStatusBar", {0, 248, 361, 19}, {}, 12},
        {"ComboBox1", "QComboBox", {280, 188, 65, 20}, "COM1", 12},
        {"Button1", "QPushButton", {88, 188, 137, 21}, "フラッシュ書き込み実行", 12},
        {"Label1", "QLabel", {0, 148, 65, 12}, "書込ファイル", 12},
        {"ProgressBar1", "QProgressBar", {0, 236, 361, 13}, {}, 12},
        {"Label2", "QLabel", {244, 192, 28, 11}, "ポート", 11},
        {"Label3", "QLabel", {286, 220, 3, 9}, "", 9},
        {"Button2", "QPushButton", {184, 212, 41, 21}, "消去", 11},
        {"ComboBox2", "QComboBox", {8, 172, 57, 20}, "R8C", 12},
        {"Button3", "QPushButton", {88, 212, 81, 21}, "ベリファイ", 12},
        {"CheckBox1", "QCheckBox", {8, 200, 73, 17}, "ModePin", 12},
        {"Label5", "QLabel", {32, 216, 24, 12}, "制御", 12},
    };
    for (const Control& c : table) {
        SCOPED_TRACE(c.name);
        QWidget* w = f.findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(c.kind)) << w->metaObject()->className();
        EXPECT_EQ(w->geometry(), c.geometry);
        EXPECT_EQ(w->font().pixelSize(), c.fontPixels);
        if (c.text.isNull()) continue;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            text = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            text = e->text();
        else if (auto* cb = qobject_cast<QComboBox*>(w))
            text = cb->currentText();
        EXPECT_EQ(text, c.text);
    }
    EXPECT_EQ(f.Label4->pos(), QPoint(72, 168));
    EXPECT_EQ(f.ProgressBar1->minimum(), 0);
    EXPECT_EQ(f.ProgressBar1->maximum(), 100);
    EXPECT_EQ(f.ComboBox1->count(), 0);
    ASSERT_EQ(f.ComboBox2->count(), 3);
    EXPECT_EQ(f.ComboBox2->itemText(1), QStringLiteral("M16C"));
    EXPECT_EQ(f.ComboBox2->itemText(2), QStringLiteral("M32C"));
    EXPECT_TRUE(f.ComboBox1->isEditable());
    EXPECT_TRUE(f.ComboBox2->isEditable());

    // Keyboard order.
    const QWidget* order[] = {f.DriveComboBox1, f.DirectoryListBox1, f.FileListBox1, f.Edit1,
                              f.Button1,        f.Button3,           f.Button2,      f.ComboBox1,
                              f.ComboBox2,      f.CheckBox1,         f.ProgressBar1};
    // The chain also holds the controls' own parts (scroll bars, edit fields); the controls
    // come in this order.
    std::vector<const QWidget*> chain;
    const QWidget* w = order[0];
    do {
        if (std::find(std::begin(order), std::end(order), w) != std::end(order)) chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != order[0]);
    EXPECT_EQ(chain, std::vector<const QWidget*>(std::begin(order), std::end(order)));
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
    EXPECT_EQ(f.Label4->text(), kCheckFailed);
    EXPECT_EQ(Status(), kNotSFormat);
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
    EXPECT_EQ(Status(), kReady);
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

TEST_F(FormTest, CommandLine) {
    const std::string mot = WriteFile("prog.MOT", 0xFFFFF);
    {
        // prog.x30 is taken as prog.MOT, and the family follows the file's addresses.
        TForm1& f = Open({QStringLiteral("prog.x30")});
        EXPECT_EQ(f.Edit1->text(), QStringLiteral("prog.MOT"));
        EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M16C"));
        EXPECT_FALSE(f.CheckBox1->isVisibleTo(&f));
        EXPECT_EQ(f.Label4->text(),
                  QStringLiteral("書込エリア(0FFF00-0FFFFF)  書込サイズ(256バイト)"));
    }
    {
        // The name changes even when no such file exists.
        TForm1& f = Open({QStringLiteral("dir.x30/none.X30")});
        EXPECT_EQ(f.Edit1->text(), QStringLiteral("dir.x30/none.MOT"));
        EXPECT_EQ(errors.size(), 1);
        errors.clear();
    }
    {
        // Two arguments (an unquoted path with a blank): nothing is taken.
        TForm1& f = Open({QStringLiteral("my"), QStringLiteral("prog.mot")});
        EXPECT_EQ(f.Edit1->text(), QString());
        EXPECT_TRUE(errors.isEmpty());
    }
    {
        // One argument with a blank is taken whole.
        const std::string spaced = WriteFile("my prog.s", 0xFFFFFF);
        TForm1& f = Open({Q(spaced)});
        EXPECT_EQ(f.Edit1->text(), Q(spaced));
        EXPECT_EQ(f.ComboBox2->currentText(), QStringLiteral("M32C"));
    }
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
    EXPECT_EQ(Status(), kReady);
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

    // A folder: the browser moves into it and the check rejects the name.
    std::filesystem::create_directories(work.Path() / "folder");
    Drop(&f, {QUrl::fromLocalFile(Q(work.Name("folder")))});
    EXPECT_EQ(f.Edit1->text(), Q(work.Name("folder")));
    EXPECT_EQ(f.DirectoryListBox1->Directory(), Q(work.Name("folder")));
    EXPECT_EQ(f.Label4->text(), kCheckFailed);
    EXPECT_EQ(Status(), kNotSFormat);

    // 300 characters are cut to 254 before anything else.
    const QString longPath = Q(work.Name("")) + QString(300, QLatin1Char('x'));
    Drop(&f, {QUrl::fromLocalFile(longPath)});
    EXPECT_EQ(f.Edit1->text(), longPath.left(254));
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(FormTest, FamilyByHighestAddress) {
    TForm1& f = Open();
    struct Case {
        std::uint32_t max;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {0xFFEF, "M16C", "M16C"},   {0xFFF0, "M16C", "R8C"},    {0xFFFF, "M32C", "R8C"},
        {0x10000, "M16C", "M16C"},  {0xFFFEF, "R8C", "R8C"},    {0xFFFF0, "R8C", "M16C"},
        {0xFFFFF, "M32C", "M16C"},  {0xFFFFEF, "M16C", "M16C"}, {0xFFFFF0, "R8C", "M32C"},
        {0xFFFFFF, "M16C", "M32C"}, {0xFFFFFF, "m16c", "m16c"}, {0x1000000, "R8C", "R8C"},
        {0xFFFF, "", ""},           {0xFFFF, "R8C", "R8C"},
    };
    for (const Case& c : cases) {
        // What a check with family selection puts into the family box.
        const std::optional<Family> chosen = FamilyByHighestAddress(c.max, ParseFamily(c.before));
        EXPECT_EQ(chosen ? FamilyName(*chosen) : c.before, std::string(c.after))
            << std::hex << c.max;
    }
    // Mode pin: shown for exactly "R8C".
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

TEST_F(FormTest, PortList) {
    std::optional<std::vector<std::string>> system =
        std::vector<std::string>{"COM10", "COM3", "COM1", "COM2", "COM3"};
    bool fail = false;
    portNames = [&] {
        if (fail) throw SettingsError("bad value");
        return system;
    };
    TForm1& f = Open();
    f.ComboBox1->setEditText(QStringLiteral("COM7"));
    EXPECT_EQ(f.ComboBox1->count(), 0);  // nothing until the list is opened
    auto items = [&] {
        QStringList list;
        for (int i = 0; i < f.ComboBox1->count(); ++i) list << f.ComboBox1->itemText(i);
        return list.join(',');
    };
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(items(), QStringLiteral("COM1,COM2,COM3,COM3,COM10"));
    EXPECT_EQ(f.ComboBox1->currentText(), QStringLiteral("COM7"));

    // Rebuilt on every opening; a missing list leaves the items; a bad value is an error.
    system = std::vector<std::string>{"ttyUSB0", "/tmp/bramblet-sim/COM9", "ttyS0"};
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(items(), QStringLiteral("ttyS0,ttyUSB0,/tmp/bramblet-sim/COM9"));
    system.reset();
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(items(), QStringLiteral("ttyS0,ttyUSB0,/tmp/bramblet-sim/COM9"));
    fail = true;
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(errors, QStringList{QStringLiteral("bad value")});
    EXPECT_EQ(f.ComboBox1->count(), 3);
    system = std::vector<std::string>{};
    fail = false;
    f.ComboBox1->showPopup();
    f.ComboBox1->hidePopup();
    EXPECT_EQ(f.ComboBox1->count(), 0);
    EXPECT_EQ(f.ComboBox1->currentText(), QStringLiteral("COM7"));

    EXPECT_LT(ComparePortNames("COM9", "COM10"), 0);
    EXPECT_LT(ComparePortNames("COM10", "COM12"), 0);
    EXPECT_EQ(ComparePortNames("COM3", "COM3"), 0);
}

TEST_F(FormTest, SettingsWrittenAtCloseInOrder) {
    TForm1& f = Open();
    f.move(-5, 40);
    f.Edit1->setText(QStringLiteral("C:\\書込\\\"x\".mot"));
    f.ComboBox1->setEditText(QStringLiteral("any text"));
    f.ComboBox2->setEditText(QStringLiteral("m32c"));
    f.CheckBox1->setChecked(true);
    EXPECT_FALSE(std::filesystem::exists(settingsPath));  // nothing is stored while it runs
    EXPECT_TRUE(f.close());
    EXPECT_EQ(SettingsText(),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\ORVANE\\Bramblet]\r\n"
              "\"WindowTop\"=dword:00000028\r\n"
              "\"WindowLeft\"=dword:fffffffb\r\n"
              "\"FileName\"=\"C:\\\\書込\\\\\\\"x\\\".mot\"\r\n"
              "\"COM\"=\"any text\"\r\n"
              "\"CPU\"=\"m32c\"\r\n"
              "\"ModePin\"=dword:00000001\r\n\r\n");
    // The next start reads back what was saved.
    TForm1& g = Open();
    EXPECT_EQ(g.pos(), QPoint(-5, 40));
    EXPECT_EQ(g.ComboBox2->currentText(), QStringLiteral("m32c"));
    EXPECT_EQ(errors.size(), 1);  // the remembered file does not exist
}

TEST_F(FormTest, CloseFailsWhenTheKeyCannotBeWritten) {
    TForm1& f = Open();
    std::ofstream((config.Path() / "ORVANE").string()) << "x";  // a file where the folder goes
    EXPECT_FALSE(f.close());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(f.isVisible());
    std::filesystem::remove(config.Path() / "ORVANE");
    EXPECT_TRUE(f.close());
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
    EXPECT_FALSE(statuses.contains(QStringLiteral("フラッシュ消去開始")));
    EXPECT_EQ(statuses.back(),
              QStringLiteral("通信できません! ブートモードを確認してリセットしてください"));
    EXPECT_GT(paints, 0);
    EXPECT_EQ(beeps, std::vector<std::uint32_t>{kBeepFailure});
    // The held close has happened now, with the state as the operation left it.
    EXPECT_FALSE(f.isVisible());
    EXPECT_NE(SettingsText().find("prog.mot\"\r\n"), std::string::npos);
    EXPECT_TRUE(f.Button1->isEnabled());
}

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
    EXPECT_EQ(Status(), kReady);
}

}  // namespace
}  // namespace bramblet::ui::testing
