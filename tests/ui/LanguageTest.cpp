// Both windows in English: every text within its control, measured in the window's own font, and
// Japanese again exactly the design's once chosen back.
#include <QStyle>

#include "tests/ui/FormFixture.h"
#include "writer/form/Layout.h"

namespace bramblet::ui::testing {
namespace {

using text::Lang;
using text::Tx;

// Room a push button's frame and a status line's panel leave no text.
constexpr int kButtonFrame = 8;
constexpr int kPanelFrame = 4;

class LanguageTest : public FormTest {
protected:
    void Choose(Lang lang) {
        const auto choices = form::WindowChoices();
        const Tx wanted = lang == Lang::En ? Tx::MenuEnglish : Tx::MenuJapanese;
        for (std::size_t row = 0; row < choices.size(); ++row) {
            if (choices[row].text == wanted) form->Form().MenuItemClick(row);
        }
    }
    // Runs `look` with the ID code dialog open as the ID check opens it.
    void WithDialog(const std::function<void()>& look) {
        QTimer::singleShot(0, [this, look] {
            look();
            dialog->reject();
        });
        form->ShowIdCodeDialog(form->CpuFamily());
    }

    // Each text that overflows, with the room it has, to print at once.
    void Fits(const QWidget* w, const QString& text, int room, int frame = 0) {
        const int need = w->fontMetrics().horizontalAdvance(text) + frame;
        if (need > room) {
            misfits << QStringLiteral("%1 \"%2\": %3 > %4")
                           .arg(w->objectName(), text)
                           .arg(need)
                           .arg(room);
        }
    }
    template <std::size_t M>
    void CaptionsFit(QWidget* window, const std::array<form::LanguageText, M>& texts) {
        for (const form::LanguageText& t : texts) {
            auto* w = window->findChild<QWidget*>(QString::fromLatin1(t.name),
                                                  Qt::FindDirectChildrenOnly);
            ASSERT_NE(w, nullptr) << t.name;
            if (auto* label = qobject_cast<QLabel*>(w)) {
                Fits(w, label->text(), w->width());
                Fits(w, label->text(), window->width() - w->x());
            } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
                const int mark = w->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                                 w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
                Fits(w, box->text(), w->width(), mark);
            } else {
                Fits(w, qobject_cast<QAbstractButton*>(w)->text(), w->width(), kButtonFrame);
            }
        }
    }

    QStringList misfits;
};

// The status texts the window shows, each at its longest.
std::vector<std::string> StatusTexts(Lang lang) {
    std::vector<std::string> texts;
    for (int k = static_cast<int>(Tx::Connecting); k <= static_cast<int>(Tx::ChooseAndPress); ++k) {
        const Tx key = static_cast<Tx>(k);
        if (key == Tx::FileArea) continue;  // Label4's
        texts.push_back(text::Say(key, lang, {"115200"}));
    }
    return texts;
}

TEST_F(LanguageTest, EveryEnglishTextFitsItsControlInTheWindowsFont) {
    Open();
    Choose(Lang::En);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("<R8C/M16C Talvoro2>  Orvane"));
    EXPECT_EQ(form->Button1->text(), QStringLiteral("Write flash"));
    CaptionsFit(form.get(), form::kForm1Texts);
    for (const std::string& s : StatusTexts(Lang::En)) {
        Fits(form->StatusBar1, Q(s), form->StatusBar1->width(), kPanelFrame);
    }
    // Label4 sizes itself: its longest texts end within the window.
    const int room = form->width() - form->Label4->x();
    Fits(form->Label4, Q(text::Say(Tx::FileArea, Lang::En, {"0F0000", "0FFFFF", "1048576"})), room);
    Fits(form->Label4, Q(text::Say(Tx::FileNotSFormat, Lang::En)), room);

    WithDialog([this] {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Enter protect ID"));
        EXPECT_EQ(dialog->StatusBar1->currentMessage(),
                  QStringLiteral("The chip is protected. Enter its ID code"));
        CaptionsFit(dialog.get(), form::kForm2Texts);
        Fits(dialog->StatusBar1, dialog->StatusBar1->currentMessage(), dialog->StatusBar1->width(),
             kPanelFrame);
    });
    EXPECT_TRUE(misfits.isEmpty()) << misfits.join(QStringLiteral("\n")).toStdString();
}

// Chosen back, Japanese is the design's window again: texts and places of the design's tables.
TEST_F(LanguageTest, JapaneseChosenBackIsTheDesignsWindow) {
    Open();
    Choose(Lang::En);
    WithDialog([] {});
    Choose(Lang::Ja);
    auto same = [](QWidget* window, const auto& table, const auto& texts) {
        for (const form::LanguageText& t : texts) {
            const form::ControlLayout& row = form::Control(table, t.name);
            auto* w = window->findChild<QWidget*>(QString::fromLatin1(t.name),
                                                  Qt::FindDirectChildrenOnly);
            ASSERT_NE(w, nullptr) << t.name;
            EXPECT_EQ(w->property("text").toString(), QString::fromUtf8(row.text)) << t.name;
            EXPECT_EQ(w->pos(), QPoint(row.left, row.top)) << t.name;
            if (!row.autoSize) {
                EXPECT_EQ(w->size(), QSize(row.width, row.height)) << t.name;
            }
        }
    };
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8(form::kForm1.caption));
    same(form.get(), form::kForm1Controls, form::kForm1Texts);
    EXPECT_EQ(Status(), Q(kNotSFormat));  // no file chosen, as the window opens with none
    WithDialog([&] {
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(form::kForm2.caption));
        same(dialog.get(), form::kForm2Controls, form::kForm2Texts);
    });
    EXPECT_TRUE(form->close());
    EXPECT_NE(SettingsText().find("\"Language\"=\"ja\""), std::string::npos);
}

}  // namespace
}  // namespace bramblet::ui::testing
