#include "dialogs/TFormAdvanced.h"

#include "widgets/TLbSpeedButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

std::uint64_t portSet(std::initializer_list<int> ports)
{
    std::uint64_t set = 0;
    for (int port : ports)
        set |= std::uint64_t{1} << (port - 1);
    return set;
}

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

TEST_F(TFormAdvancedTest, TheLampTabShowsEveryKeyOffersTheFoundPortsAndKeepsAMissingStoredOne)
{
    dialog.SetFoundPorts(portSet({1, 2, 17}));
    AdvancedSettings settings;
    settings.LampPort = 5;
    settings.LampRtsMeaning = AdvancedSettings::RtsMeaning::Full;
    settings.LampHysteresis = 3;
    settings.LampOnFault = true;
    settings.Broker = "hallen-server:1883";
    settings.LampTopicGreen = "cmnd/ampel/POWER1";
    settings.LampTopicRed = "cmnd/ampel/POWER2";
    settings.LampOn = "1";
    settings.LampOff = "0";
    settings.LampRefreshSeconds = 30;

    AdvancedSettings expected = settings;
    expected.LampPort = 17;
    expected.LampRtsMeaning = AdvancedSettings::RtsMeaning::Amber;
    expected.LampHysteresis = 1;
    expected.LampOnFault = false;
    expected.LampTopicRed.clear();
    expected.LampOn = "ON";
    expected.LampRefreshSeconds = 10;
    ASSERT_TRUE(edit(settings, [&] {
        QStringList items;
        for (int i = 0; i < dialog.cbLampPort->count(); ++i)
            items << dialog.cbLampPort->itemText(i);
        EXPECT_EQ(items, QStringList({"keine", "COM1", "COM2", "COM5 (fehlt)", "COM17"}));
        EXPECT_EQ(dialog.cbLampPort->itemData(4, Qt::ToolTipRole).toString(), "/dev/ttyUSB0");
        EXPECT_EQ(dialog.cbLampPort->currentText(), "COM5 (fehlt)");
        EXPECT_EQ(dialog.cbLampRts->currentText(), "Signal „voll“");
        EXPECT_EQ(dialog.seLampHysteresis->value(), 3);
        EXPECT_TRUE(dialog.cbLampOnFault->isChecked());
        EXPECT_EQ(dialog.edLampTopicGreen->text(), "cmnd/ampel/POWER1");
        EXPECT_EQ(dialog.edLampOff->text(), "0");
        EXPECT_EQ(dialog.seLampRefresh->value(), 30);

        dialog.cbLampPort->setCurrentIndex(4);
        dialog.cbLampRts->setCurrentIndex(0);
        dialog.seLampHysteresis->setValue(1);
        dialog.cbLampOnFault->setChecked(false);
        dialog.edLampTopicRed->clear();
        dialog.edLampOn->setText(" ON ");
        dialog.seLampRefresh->setValue(10);
        dialog.btn_OK->click();
    }));
    EXPECT_EQ(settings, expected);

    // Without the missing port stored, it is not offered; "keine" stays.
    AdvancedSettings none;
    ASSERT_TRUE(edit(none, [&] {
        EXPECT_EQ(dialog.cbLampPort->findText("COM5 (fehlt)"), -1);
        EXPECT_EQ(dialog.cbLampPort->currentText(), "keine");
        dialog.btn_OK->click();
    }));
    EXPECT_EQ(none, AdvancedSettings());
}

TEST_F(TFormAdvancedTest, OkRefusesTheBarriersPortAWildcardTopicAndEmptyOrEqualPayloadsOnTheLampsTab)
{
    dialog.SetFoundPorts(portSet({1, 2}));
    dialog.SetBarrierPort(2);
    AdvancedSettings settings;
    settings.Broker = "hallen-server:1883";
    const AdvancedSettings before = settings;
    const auto refused = [&](QWidget *field, const char *reason) {
        dialog.Tabs->setCurrentIndex(0);
        dialog.btn_OK->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(onLampTab());
        EXPECT_EQ(dialog.focusWidget(), field);
        EXPECT_TRUE(dialog.lblLampRefused->isVisibleTo(&dialog));
        EXPECT_TRUE(dialog.lblLampRefused->text().contains(QString::fromUtf8(reason)))
            << dialog.lblLampRefused->text().toStdString();
    };
    EXPECT_FALSE(edit(settings, [&] {
        dialog.cbLampPort->setCurrentIndex(dialog.cbLampPort->findData(2));
        refused(dialog.cbLampPort, "An COM2 hängen die Lichtschranken.");
        // A change of the field takes the reason away.
        dialog.cbLampPort->setCurrentIndex(dialog.cbLampPort->findData(1));
        EXPECT_FALSE(dialog.lblLampRefused->isVisibleTo(&dialog));

        dialog.edLampTopicGreen->setText("cmnd/ampel/POWER");
        dialog.edLampTopicRed->setText("halle/+/rot");
        refused(dialog.edLampTopicRed, "„+“ und kein „#“");
        dialog.edLampTopicRed->setText("halle/#");
        refused(dialog.edLampTopicRed, "„+“ und kein „#“");
        dialog.edLampTopicRed->setText("cmnd/ampel/POWER2");

        dialog.edLampOn->setText("  ");
        refused(dialog.edLampOn, "nicht leer");
        dialog.edLampOn->setText("OFF");
        refused(dialog.edLampOff, "unterscheiden");
        dialog.btn_Cancel->click();
    }));
    EXPECT_EQ(settings, before);

    // Once every field holds a usable value, OK takes them.
    ASSERT_TRUE(edit(settings, [&] {
        dialog.cbLampPort->setCurrentIndex(dialog.cbLampPort->findData(1));
        dialog.edLampTopicRed->setText("cmnd/ampel/POWER2");
        dialog.btn_OK->click();
    }));
    EXPECT_EQ(settings.LampPort, 1);
    EXPECT_EQ(settings.LampTopicRed, "cmnd/ampel/POWER2");
}

TEST_F(TFormAdvancedTest, TheBrokersFieldsNeedABrokerAndTestingNeedsALampInEffect)
{
    dialog.SetFoundPorts(portSet({1, 3}));
    QSignalSpy tests(&dialog, &TFormAdvanced::LampTestRequested);
    const auto brokerFields = [&] {
        return dialog.edLampTopicGreen->isEnabled() && dialog.edLampTopicRed->isEnabled()
               && dialog.edLampOn->isEnabled() && dialog.edLampOff->isEnabled() && dialog.seLampRefresh->isEnabled();
    };
    AdvancedSettings settings;
    EXPECT_FALSE(edit(settings, [&] {
        EXPECT_FALSE(dialog.edLampTopicGreen->isEnabled());
        EXPECT_FALSE(dialog.seLampRefresh->isEnabled());
        EXPECT_FALSE(dialog.lblLampNoBroker->isHidden());
        EXPECT_FALSE(dialog.btnLampTest->isEnabled());
        EXPECT_TRUE(dialog.btnLampTest->toolTip().startsWith("Keine Ampel eingestellt"));
        // A broker typed on its tab opens them; a topic there is a lamp, but not one in effect yet.
        dialog.edBroker->setText("hallen-server");
        EXPECT_TRUE(brokerFields());
        EXPECT_TRUE(dialog.lblLampNoBroker->isHidden());
        dialog.edLampTopicRed->setText("cmnd/ampel/POWER2");
        EXPECT_FALSE(dialog.btnLampTest->isEnabled());
        EXPECT_TRUE(dialog.btnLampTest->toolTip().contains("erst mit OK"));
        dialog.btn_Cancel->click();
    }));

    settings.LampPort = 3;
    EXPECT_FALSE(edit(settings, [&] {
        EXPECT_FALSE(brokerFields());
        ASSERT_TRUE(dialog.btnLampTest->isEnabled());
        dialog.btnLampTest->click();
        EXPECT_EQ(tests.count(), 1);
        EXPECT_TRUE(dialog.isVisible());
        // Another port is not the lamp the test would drive; back to it, it is.
        dialog.cbLampPort->setCurrentIndex(dialog.cbLampPort->findData(1));
        EXPECT_FALSE(dialog.btnLampTest->isEnabled());
        dialog.cbLampPort->setCurrentIndex(dialog.cbLampPort->findData(3));
        EXPECT_TRUE(dialog.btnLampTest->isEnabled());
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
