// The ID code dialog: its controls, validation, ID files, results and placement.
#include <QPaintEvent>

#include "tests/ui/FormFixture.h"
#include "writer/form/Layout.h"

namespace bramblet::ui::testing {
namespace {

class DialogTest : public FormTest {
protected:
    // Shows the dialog as the ID check does and runs `user` inside it; returns the results.
    void Run(const std::function<void(TForm2&)>& user) {
        code = IdCodeBytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        family.clear();
        QTimer::singleShot(0, [this, user] {
            EXPECT_TRUE(dialog->isVisible());
            user(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        if (auto answer = form->ShowIdCodeDialog(form->CpuFamily())) {
            code = answer->code;
            family = answer->family;
        }
    }
    void Type(TForm2& d, const std::array<const char*, 7>& texts) {
        for (int i = 0; i < 7; ++i) {
            d.Edits[i]->clear();
            QTest::keyClicks(d.Edits[i], QString::fromLatin1(texts[i]));
        }
    }
    IdCodeBytes code;
    std::string family;
};

// Every row of the dialog's layout table reaches its widget.
TEST_F(DialogTest, ControlsAsTheLayoutTableSays) {
    Open();
    TForm2& d = *dialog;
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8(form::kForm2.caption));
    EXPECT_EQ(d.size(), QSize(form::kForm2.width, form::kForm2.height));
    EXPECT_EQ(d.font().pixelSize(), form::kFontPixels);
    for (const form::ControlLayout& row : form::kForm2Controls) {
        SCOPED_TRACE(row.name);
        QWidget* w = d.findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(w, nullptr);
        if (row.autoSize) {
            EXPECT_EQ(w->pos(), QPoint(row.left, row.top));
        } else {
            EXPECT_EQ(w->geometry(), QRect(row.left, row.top, row.width, row.height));
        }
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
        if (auto* cb = qobject_cast<QComboBox*>(w)) text = cb->currentText();
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            text = e->text();
            EXPECT_EQ(e->maxLength(), row.maxLength);
        }
        if (!qobject_cast<QStatusBar*>(w)) {
            EXPECT_EQ(text, QString::fromUtf8(row.text));
        }
    }
    for (std::size_t i = 0; i < d.Edits.size(); ++i) {
        EXPECT_EQ(d.Edits[i]->objectName(), QStringLiteral("Edit%1").arg(i + 1));
    }
    QStringList items;
    for (int i = 0; i < d.ComboBox1->count(); ++i) items << d.ComboBox1->itemText(i);
    EXPECT_EQ(items.join(','), QStringLiteral("R8C,R8CM,M16C,M32C"));
    for (std::size_t i = 0; i + 1 < form::kForm2TabOrder.size(); ++i) {
        const std::string_view from = form::kForm2TabOrder[i], to = form::kForm2TabOrder[i + 1];
        EXPECT_EQ(d.findChild<QWidget*>(QString::fromLatin1(from.data(), from.size()))
                      ->nextInFocusChain()
                      ->objectName()
                      .toStdString(),
                  to);
    }
    EXPECT_FALSE(d.isVisible());  // hidden until the ID check needs it
}

TEST_F(DialogTest, OkStoresValidBytesAndTheFamilyAsTyped) {
    TForm1& f = Open();
    f.ComboBox2->setEditText(QStringLiteral("R8C"));
    f.move(300, 200);
    Run([&](TForm2& d) {
        EXPECT_EQ(d.StatusBar1->currentMessage(), Q(kIdProtected));
        EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("R8C"));  // the window's family
        EXPECT_EQ(d.pos(), QPoint(400, 300));
        Type(d, {"5a", "A", "0", "ff", "1", "c3", "7"});
        EXPECT_EQ(d.Edits[0]->text(), QStringLiteral("5A"));  // upper case as typed
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));  // typing completes only when active
        d.ComboBox1->setFocus();
        d.ComboBox1->lineEdit()->selectAll();
        QTest::keyClicks(d.ComboBox1->lineEdit(), QStringLiteral("m16c"));
        QTest::mouseClick(d.Button1, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(code, (IdCodeBytes{0x5A, 0x0A, 0x00, 0xFF, 0x01, 0xC3, 0x07}));
    EXPECT_EQ(family, "m16c");
}

TEST_F(DialogTest, InvalidFieldsBlockOkSilently) {
    Open();
    for (auto texts : {std::array<const char*, 7>{"G", "1", "2", "3", "4", "5", "6"},
                       std::array<const char*, 7>{"1", "2", "3", "", "4", "5", "6"},
                       std::array<const char*, 7>{"1", "2", "3", "4", "5", "6", "1Z"},
                       std::array<const char*, 7>{"1", "2", "3", "4", " 5", "6", "7"}}) {
        Run([&](TForm2& d) {
            Type(d, texts);
            QTest::mouseClick(d.Button1, Qt::LeftButton);
            EXPECT_TRUE(d.isVisible()) << texts[0];
        });
        EXPECT_EQ(code, (IdCodeBytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
        EXPECT_EQ(family, "");
    }
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DialogTest, CancelAndCloseBoxStoreNothingAndFieldsSurvive) {
    Open();
    Run([&](TForm2& d) {
        Type(d, {"11", "22", "33", "44", "55", "66", "77"});
        QTest::mouseClick(d.Button3, Qt::LeftButton);
    });
    EXPECT_EQ(family, "");
    Run([&](TForm2& d) {
        EXPECT_EQ(d.Edits[6]->text(), QStringLiteral("77"));  // kept from the last showing
        d.close();
    });
    EXPECT_EQ(code, (IdCodeBytes{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(family, "");
}

TEST_F(DialogTest, LoadsIdFiles) {
    Open();
    const std::string m32c = work.Write("m32c.id", "any\r\nFFFFDF:ab\n01\n02\n03\n04\n05\n06\n");
    const std::string shortFile = work.Write("short.id", "x\n0FFDDFa1\n2b\n");
    const std::string unknown = work.Write("odd.id", "x\n12345678\n");
    auto load = [](const std::string& name) {
        return [name](QWidget* modal) {
            EXPECT_EQ(qobject_cast<QFileDialog*>(modal)->defaultSuffix(), QStringLiteral("ID"));
            ChooseInDialog(modal, QString::fromStdString(name));
        };
    };
    Run([&](TForm2& d) {
        d.ComboBox1->setEditText(QStringLiteral("typed"));
        OnNextModal(load(m32c));
        QTest::mouseClick(d.Button2, Qt::LeftButton);
        QStringList texts;
        for (QLineEdit* e : d.Edits) texts << e->text();
        EXPECT_EQ(texts.join(','), QStringLiteral("AB,01,02,03,04,05,06"));
        EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("M32C"));
        EXPECT_TRUE(d.isVisible());  // the user still confirms

        OnNextModal(load(shortFile));
        QTest::mouseClick(d.Button2, Qt::LeftButton);
        texts.clear();
        for (QLineEdit* e : d.Edits) texts << e->text();
        EXPECT_EQ(texts.join(','), QStringLiteral("A1,2B,00,00,00,00,00"));
        EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("R8C"));

        // An unknown tag leaves the family; a file that cannot be opened changes nothing.
        d.ComboBox1->setEditText(QStringLiteral("R8CM"));
        OnNextModal(load(unknown));
        QTest::mouseClick(d.Button2, Qt::LeftButton);
        EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("R8CM"));
        EXPECT_EQ(d.Edits[0]->text(), QStringLiteral("78"));
        OnNextModal(load(work.Name("missing.id")));
        QTest::mouseClick(d.Button2, Qt::LeftButton);
        EXPECT_EQ(d.Edits[0]->text(), QStringLiteral("78"));
        OnNextModal([](QWidget* modal) { qobject_cast<QFileDialog*>(modal)->reject(); });
        QTest::mouseClick(d.Button2, Qt::LeftButton);
        EXPECT_EQ(d.Edits[0]->text(), QStringLiteral("78"));

        QTest::mouseClick(d.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(code, (IdCodeBytes{0x78, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(family, "R8CM");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DialogTest, FollowsTheMainWindowOnEveryPaint) {
    TForm1& f = Open();
    f.move(10, 20);
    Run([&](TForm2& d) {
        EXPECT_EQ(d.pos(), QPoint(110, 120));
        f.move(50, 60);
        QPaintEvent paint(d.rect());  // the system asks the dialog to paint again
        QApplication::sendEvent(&d, &paint);
        EXPECT_EQ(d.pos(), QPoint(150, 160));
    });
}

}  // namespace
}  // namespace bramblet::ui::testing
