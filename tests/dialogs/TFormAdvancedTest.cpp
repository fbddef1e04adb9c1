#include "dialogs/TFormAdvanced.h"

#include "widgets/TLbSpeedButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The letter after "&" in a caption, lower case; 0 for none.
QChar mnemonic(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

class TFormAdvancedTest : public ::testing::Test {
protected:
    // Edits settings modally, acting on the dialog from inside; true on OK.
    bool edit(AdvancedSettings &settings, const std::function<void()> &inside)
    {
        QTimer::singleShot(0, &dialog, [&] {
            inside();
            if (dialog.isVisible())
                dialog.close();
        });
        return dialog.Edit(settings);
    }

    bool onLampTab() const { return dialog.Tabs->tabText(dialog.Tabs->currentIndex()) == "Ampel"; }

    TFormAdvanced dialog;
};

TEST_F(TFormAdvancedTest, OkRefusesAWildcardTopicAndEmptyOrEqualPayloadsOnTheLampsTab)
{
    AdvancedSettings settings;
    settings.Broker = "hallen-server:1883";
    const AdvancedSettings before = settings;
    const auto refused = [&](QWidget *field, const char *reason) {
        dialog.Tabs->setCurrentIndex(0);
        dialog.btn_OK->click();
        EXPECT_TRUE(dialog.isVisible() && onLampTab());
        EXPECT_EQ(dialog.focusWidget(), field);
        EXPECT_TRUE(dialog.lblLampRefused->isVisibleTo(&dialog));
        EXPECT_TRUE(dialog.lblLampRefused->text().contains(QString::fromUtf8(reason)))
            << dialog.lblLampRefused->text().toStdString();
    };
    EXPECT_FALSE(edit(settings, [&] {
        dialog.edLampTopicRed->setText("halle/+/rot");
        refused(dialog.edLampTopicRed, "„+“ und kein „#“");
        // A change of a field takes the reason away.
        dialog.edLampTopicRed->clear();
        EXPECT_FALSE(dialog.lblLampRefused->isVisibleTo(&dialog));
        dialog.edLampTopicGreen->setText("halle/#");
        refused(dialog.edLampTopicGreen, "„+“ und kein „#“");
        dialog.edLampTopicGreen->clear();
        dialog.edLampOn->setText("  ");
        refused(dialog.edLampOn, "nicht leer");
        dialog.edLampOn->setText("OFF");
        refused(dialog.edLampOff, "unterscheiden");
        dialog.btn_Cancel->click();
    }));
    EXPECT_EQ(settings, before);
    // Topics and payloads are taken without the spaces around them.
    ASSERT_TRUE(edit(settings, [&] {
        dialog.edLampTopicRed->setText(" cmnd/ampel/POWER2 ");
        dialog.edLampOn->setText("on ");
        dialog.btn_OK->click();
    }));
    EXPECT_EQ(settings.LampTopicRed, "cmnd/ampel/POWER2");
    EXPECT_EQ(settings.LampOn, "on");
}

TEST_F(TFormAdvancedTest, TheBrokersFieldsNeedABrokerAndTestingNeedsALampInEffect)
{
    dialog.SetFoundPorts(std::uint64_t{1} << 2);
    QSignalSpy tests(&dialog, &TFormAdvanced::LampTestRequested);
    AdvancedSettings settings;
    EXPECT_FALSE(edit(settings, [&] {
        EXPECT_FALSE(dialog.edLampTopicGreen->isEnabled() || dialog.seLampRefresh->isEnabled());
        EXPECT_FALSE(dialog.btnLampTest->isEnabled());
        EXPECT_TRUE(dialog.btnLampTest->toolTip().startsWith("Keine Ampel eingestellt"));
        // A broker typed on its tab opens them; a topic there is a lamp, but not one in effect yet.
        dialog.edBroker->setText("hallen-server");
        EXPECT_TRUE(dialog.edLampTopicGreen->isEnabled() && dialog.seLampRefresh->isEnabled());
        EXPECT_TRUE(dialog.lblLampNoBroker->isHidden());
        dialog.edLampTopicRed->setText("cmnd/ampel/POWER2");
        EXPECT_FALSE(dialog.btnLampTest->isEnabled());
        EXPECT_TRUE(dialog.btnLampTest->toolTip().contains("erst mit OK"));
        dialog.btn_Cancel->click();
    }));

    settings.LampPort = 3;
    EXPECT_FALSE(edit(settings, [&] {
        ASSERT_TRUE(dialog.btnLampTest->isEnabled());
        dialog.btnLampTest->click();
        EXPECT_EQ(tests.count(), 1);
        EXPECT_TRUE(dialog.isVisible());
        dialog.cbLampPort->setCurrentIndex(0);
        EXPECT_FALSE(dialog.btnLampTest->isEnabled());
        dialog.btn_Cancel->click();
    }));
}

// Alt and a letter reaches one field on the tab shown, and never OK or
// "Abbrechen" instead.
TEST_F(TFormAdvancedTest, NoTwoControlsOfATabShareAnAccelerator)
{
    const QList<QChar> buttons{mnemonic(dialog.btn_OK->Caption()), mnemonic(dialog.btn_Cancel->Caption())};
    ASSERT_EQ(buttons, QList<QChar>({'o', 'r'}));
    for (int tab = 0; tab < dialog.Tabs->count(); ++tab) {
        QList<QChar> taken = buttons;
        QWidget *page = dialog.Tabs->widget(tab);
        QStringList captions;
        for (const QLabel *label : page->findChildren<QLabel *>())
            captions << label->text();
        for (const QAbstractButton *button : page->findChildren<QAbstractButton *>())
            captions << button->text();
        for (const QString &caption : captions) {
            const QChar letter = mnemonic(caption);
            if (letter.isNull())
                continue;
            EXPECT_FALSE(taken.contains(letter)) << dialog.Tabs->tabText(tab).toStdString() << ": "
                                                 << caption.toStdString();
            taken << letter;
        }
    }
}

} // namespace
