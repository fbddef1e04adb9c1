#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/DailyResetTimer.h"
#include "dialogs/TForm2.h"
#include "dialogs/TFormAdvanced.h"
#include "display/TFormMonitor2.h"
#include "feed/FeedService.h"
#include "journal/DayJournal.h"
#include "journal/JournalTestSupport.h"
#include "serial/TComPort.h"
#include "widgets/TLabel3D.h"
#include "widgets/TLbSpeedButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

namespace {

class AdvancedSettingsTest : public ::testing::Test {
protected:
    TempFolder folder;
    TestApplication test;
};

TEST_F(AdvancedSettingsTest, BadKeysTakeTheirDefaultsAndAreNamedInOneNotice)
{
    test.ports = {7};
    test.Store({{"Port", 7}, {"MaxCounter", 300}, {"ContaktIn", 1}, {"JournalDays", "abc"}, {"DailyReset", "25:99"},
                {"ResumeCount", 7}, {"WarnPercent", 100}, {"ShowPlacesLeft", "ja"}, {"HttpPort", 70000},
                {"HttpBind", "localhost"}, {"HttpToken", "a b"}, {"HttpHosts", "halle:80"},
                {"FlickerPerSecond", -1}, {"LampPort", 300}, {"LampRtsMeaning", "gelb"}, {"LampHysteresis", 0},
                {"LampOnFault", 2}, {"LampTopicGreen", "tuer/#"}, {"LampOff", " "}, {"LampRefreshSeconds", 0}});
    test.Start();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    QCoreApplication::processEvents();

    ASSERT_EQ(test.notices.size(), 1);
    EXPECT_TRUE(test.notices.first().contains("\nJournalDays=abc\nDailyReset=25:99\nResumeCount=7\nWarnPercent=100\n"
                                              "ShowPlacesLeft=ja\nHttpPort=70000\nHttpBind=localhost\nHttpToken=a b\n"
                                              "HttpHosts=halle:80\n"))
        << test.notices.first().toStdString();
    EXPECT_TRUE(test.notices.first().contains("\nFlickerPerSecond=-1\nLampPort=300\nLampRtsMeaning=gelb\n"
                                              "LampHysteresis=0\nLampOnFault=2\nLampTopicGreen=tuer/#\nLampOff= \n"
                                              "LampRefreshSeconds=0\n"))
        << test.notices.first().toStdString();
    EXPECT_EQ(test.app().Advanced, AdvancedSettings());
    EXPECT_FALSE(test.app().DailyReset().Checking());
    EXPECT_FALSE(test.app().Feed().Running());
    // The first keys' chain is not touched by them.
    EXPECT_EQ(test.main().ComPort->Port, 7);
    EXPECT_EQ(test.state().MaxCounter, 300);
    EXPECT_TRUE(test.state().ContaktIn);
}

TEST_F(AdvancedSettingsTest, ANulCharacterAListOrAnOverlongTextIsBadForEveryKeyAndShownShort)
{
    const QString nul(QChar(0));
    test.Store({{"JournalDays", "1" + nul + "00"}, {"HttpPort", "1" + nul + "2"}, {"ResumeCount", "1" + nul},
                {"BrokerCaFile", "/etc/ca.pem" + nul + "x"}, {"WarnPercent", QStringList({"a", "b"})},
                {"Door", QStringList({"Halle Nord", "Tür 2"})}, {"HttpToken", QString(1'000'000, 'a')},
                {"BrokerPassword", QString(5000, 'p')}, {"BrokerUser", QString(4096, 'u')}});
    test.Start();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));

    const QString notice = test.notices.first();
    EXPECT_TRUE(notice.contains("\nJournalDays=1\\x0000\nResumeCount=1\\x00\nWarnPercent=a, b\nHttpPort=1\\x002\n"
                                "HttpToken=" + QString(40, 'a') + "…\nDoor=Halle Nord, Tür 2\n"))
        << notice.toStdString();
    EXPECT_TRUE(notice.contains("\nBrokerPassword=" + QString(40, 'p') + "…\nBrokerCaFile=/etc/ca.pem\\x00x\n"))
        << notice.toStdString();
    EXPECT_LT(notice.size(), 1000);
    AdvancedSettings expected;
    expected.BrokerUser = QString(4096, 'u');
    EXPECT_EQ(test.app().Advanced, expected);
}

TEST_F(AdvancedSettingsTest, OkStoresAndAppliesAtOnceAndAbbrechenChangesNothing)
{
    test.journalFile = folder.Path() / "journal.sqlite3";
    test.Store({{"Unbekannt", "bleibt"}});
    test.Start();
    ASSERT_TRUE(test.app().Journal().Running());

    test.EditAdvanced([](TFormAdvanced &dialog) {
        dialog.seJournalDays->setValue(0);
        dialog.cbResumeCount->setChecked(true);
        dialog.btn_Cancel->click();
    });
    EXPECT_TRUE(test.settings.writes.isEmpty());
    EXPECT_TRUE(test.app().Journal().Running());

    test.EditAdvanced([](TFormAdvanced &dialog) {
        EXPECT_EQ(dialog.seJournalDays->value(), 400);
        EXPECT_FALSE(dialog.teDailyReset->isEnabled());
        dialog.seJournalDays->setValue(0);
        dialog.cbDailyReset->setChecked(true);
        dialog.teDailyReset->setTime(QTime(4, 15));
        EXPECT_EQ(dialog.seBlockedSeconds->value(), 30);
        dialog.seDebounceMs->setValue(20);
        dialog.seFlickerPerSecond->setValue(0);
        dialog.btn_OK->click();
    });
    EXPECT_EQ(test.settings.writes,
              QStringList({"JournalDays", "DailyReset", "ResumeCount", "WarnPercent", "ShowPlacesLeft", "HttpPort",
                           "HttpBind", "HttpToken", "HttpHosts", "Door", "Hall", "Broker", "BrokerUser",
                           "BrokerPassword", "BrokerCaFile", "DebounceMs", "BlockedSeconds", "FlickerPerSecond", "LampPort",
                           "LampRtsMeaning", "LampHysteresis", "LampOnFault", "LampTopicGreen", "LampTopicRed", "LampOn",
                           "LampOff", "LampRefreshSeconds"}));
    EXPECT_EQ(test.settings.values["DebounceMs"], 20);
    EXPECT_EQ(test.settings.values["BlockedSeconds"], 30);
    EXPECT_EQ(test.settings.values["FlickerPerSecond"], 0);
    EXPECT_EQ(test.settings.values["JournalDays"], 0);
    EXPECT_EQ(test.settings.values["DailyReset"], "04:15");
    EXPECT_EQ(test.settings.values["ResumeCount"], 0);
    EXPECT_FALSE(test.app().Journal().Running());
    EXPECT_TRUE(test.app().DailyReset().Checking());
    EXPECT_EQ(test.app().DailyReset().Schedule().At(), std::chrono::hours(4) + std::chrono::minutes(15));

    // Back on, and a store that fails says why; what was chosen holds all the same.
    test.settings.failWritesOf = "JournalDays";
    test.settings.failReason = "Kein Platz auf dem Gerät";
    test.EditAdvanced([](TFormAdvanced &dialog) {
        EXPECT_EQ(dialog.seJournalDays->value(), 0);
        EXPECT_EQ(dialog.teDailyReset->time(), QTime(4, 15));
        dialog.seJournalDays->setValue(30);
        dialog.cbDailyReset->setChecked(false);
        dialog.btn_OK->click();
    });
    ASSERT_EQ(test.errors.size(), 1);
    EXPECT_TRUE(test.errors.first().contains("„JournalDays“"));
    EXPECT_TRUE(test.errors.first().endsWith("\nKein Platz auf dem Gerät"));
    EXPECT_TRUE(test.app().Journal().Running());
    EXPECT_FALSE(test.app().DailyReset().Checking());

    test.settings.failWritesOf.clear();
    test.Stop();
    EXPECT_EQ(test.settings.values["Unbekannt"], "bleibt");
    EXPECT_EQ(test.settings.values["DailyReset"], "04:15");
}

TEST_F(AdvancedSettingsTest, TheLampIsOfferedThePortsFoundAndItsStoredOneButNotTheBarriersOne)
{
    test.ports = {3, 7};
    test.Store({{"Port", 7}, {"MaxCounter", 300}, {"ContaktIn", 1}, {"LampPort", 12}, {"LampRtsMeaning", "full"}});
    test.Start();
    test.EditAdvanced([&](TFormAdvanced &dialog) {
        QStringList items;
        for (int i = 0; i < dialog.cbLampPort->count(); ++i)
            items << dialog.cbLampPort->itemText(i);
        EXPECT_EQ(items, QStringList({"keine", "COM3", "COM7", "COM12 (fehlt)"}));
        EXPECT_EQ(dialog.cbLampPort->currentText(), "COM12 (fehlt)");
        EXPECT_EQ(dialog.cbLampRts->currentText(), "Signal „voll“");
        dialog.cbLampPort->setCurrentIndex(2);
        dialog.btn_OK->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), dialog.cbLampPort);
        EXPECT_TRUE(dialog.lblLampRefused->text().startsWith("An COM7 hängen die Lichtschranken."));
        EXPECT_TRUE(test.settings.writes.isEmpty());
        dialog.cbLampPort->setCurrentIndex(1);
        dialog.seLampHysteresis->setValue(5);
        dialog.btn_OK->click();
    });
    EXPECT_EQ(test.settings.values["LampPort"], 3);
    EXPECT_EQ(test.settings.values["LampHysteresis"], 5);
    EXPECT_EQ(test.settings.values["LampRtsMeaning"], "full");
    EXPECT_EQ(test.app().Advanced.LampPort, 3);
}

TEST_F(AdvancedSettingsTest, TheWarningShareColoursTheDigitsAndTheDisplayFromTheStartAndAtOnceOnOk)
{
    test.Store({{"WarnPercent", " 80"}});
    test.Start();
    const TFormMonitor2 &display = *test.app().forms.FormMonitor2;
    const auto digits = [&] { return test.main().Label1->palette().color(QPalette::WindowText); };
    const QColor amber = ToQColor(TFormMonitor2::kNearlyFullColour);
    test.hall().SetCapacity(10);
    test.hall().Apply({.source = HallSource::Start, .time = {}, .count = 7});
    EXPECT_EQ(digits(), Qt::white);
    test.main().bInClick();
    EXPECT_EQ(digits(), amber);
    EXPECT_TRUE(display.Label3D1->Caption().endsWith("\r\nNoch 2 Plätze frei."));
    test.main().bInClick();
    EXPECT_EQ(digits(), amber);
    test.main().bInClick();
    EXPECT_EQ(digits(), Qt::red);
    EXPECT_FALSE(display.ImageStop->isHidden());
    // A new capacity recolours the same count: 10 of 20 has room, 10 of 11 is nearly full.
    test.hall().SetCapacity(20);
    EXPECT_EQ(digits(), Qt::white);
    test.hall().SetCapacity(11);
    EXPECT_EQ(digits(), amber);

    test.EditAdvanced([](TFormAdvanced &dialog) {
        EXPECT_EQ(dialog.seWarnPercent->value(), 80);
        EXPECT_FALSE(dialog.cbShowPlacesLeft->isChecked());
        dialog.seWarnPercent->setValue(0);
        dialog.cbShowPlacesLeft->setChecked(true);
        dialog.btn_OK->click();
    });
    EXPECT_EQ(test.settings.values["WarnPercent"], 0);
    EXPECT_EQ(test.settings.values["ShowPlacesLeft"], 1);
    EXPECT_EQ(digits(), Qt::white);
    EXPECT_EQ(display.Label3D1->FontColor(), clGreen);
    EXPECT_TRUE(display.Label3D1->Caption().endsWith("\r\nNoch 1 Platz frei."));
    // Full without a warning share: white digits, as designed.
    test.main().bInClick();
    EXPECT_EQ(digits(), Qt::white);
}

TEST_F(AdvancedSettingsTest, TheButtonTakesAFreePlaceInTheSettingsDialog)
{
    test.Start();
    const TForm2 &settings = test.app().forms.Form2();
    const QRect button = settings.btn_Advanced->geometry();
    EXPECT_TRUE(settings.rect().contains(button));
    for (const QWidget *control : settings.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control != settings.btn_Advanced && !control->isHidden()) {
            EXPECT_FALSE(control->geometry().intersects(button)) << control->metaObject()->className();
        }
    }
}

TEST_F(AdvancedSettingsTest, KeysAloneReachTheDialogAndItsButtonsAndStoreIt)
{
    test.Start();
    TForm2 &settings = test.app().forms.Form2();
    TFormAdvanced &advanced = test.app().forms.FormAdvanced();
    const auto toSettings = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        settings.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == &settings ? focus : &settings, key, modifiers);
    };
    bool advancedReached = false;
    bool okInTabOrder = false;
    int opened = 0;
    WhenIdle([&] {
        for (int i = 0; i < 20 && !settings.btn_Advanced->hasFocus(); ++i)
            toSettings(Qt::Key_Tab);
        advancedReached = settings.btn_Advanced->hasFocus();
        // Tab goes from the fields on to OK; Escape in a field cancels.
        WhenIdle([&] {
            ++opened;
            for (QWidget *w = advanced.seJournalDays->nextInFocusChain(); w != advanced.seJournalDays && !okInTabOrder;
                 w = w->nextInFocusChain())
                okInTabOrder = w == advanced.btn_OK && (w->focusPolicy() & Qt::TabFocus);
            QTest::keyClick(advanced.seJournalDays, Qt::Key_Escape);
        });
        toSettings(Qt::Key_Space);
        ASSERT_FALSE(advanced.isVisible());
        // Return in a field is OK.
        WhenIdle([&] {
            ++opened;
            advanced.seJournalDays->selectAll();
            QTest::keyClicks(advanced.seJournalDays, "30");
            QTest::keyClick(advanced.seJournalDays, Qt::Key_Return);
        });
        QTest::keyClick(settings.btn_Advanced, Qt::Key_Return);
        toSettings(Qt::Key_Escape);
    });
    test.main().bF2Click();
    EXPECT_TRUE(advancedReached);
    EXPECT_TRUE(okInTabOrder);
    EXPECT_EQ(opened, 2);
    EXPECT_FALSE(advanced.isVisible());
    EXPECT_EQ(test.settings.values["JournalDays"], 30);
    EXPECT_EQ(test.app().Advanced.JournalDays, 30);
}

// The entry is what the desktop runs at login: it must start this program
// file, even from a folder with a space, and pass the desktop's validator.
TEST_F(AdvancedSettingsTest, StartAtLoginWritesAndRemovesTheUsersAutostartEntry)
{
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((folder.Path() / "config").string()));
    const QString entry =
        QString::fromStdString((folder.Path() / "config/autostart/de.vendaro.Pontra.desktop").string());
    test.programPath = QStringLiteral("/opt/Pontra Halle/pontra");
    test.Start();

    test.EditAdvanced([&](TFormAdvanced &dialog) {
        EXPECT_FALSE(dialog.cbLoginStart->isChecked());
        EXPECT_TRUE(dialog.lblLoginStartPlace->text().endsWith(entry));
        dialog.cbLoginStart->setChecked(true);
        dialog.btn_OK->click();
    });
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(written.readAll()).split('\n');
    written.close();
    EXPECT_TRUE(lines.contains(R"(Exec="/opt/Pontra Halle/pontra")")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Icon=de.vendaro.Pontra"));
    EXPECT_TRUE(lines.contains("GenericName[de]=Besucherzähler"));
    EXPECT_FALSE(lines.filter(QRegularExpression("^TryExec=")).size());
    if (const QString validator = QStandardPaths::findExecutable("desktop-file-validate"); !validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {entry});
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }

    test.EditAdvanced([&](TFormAdvanced &dialog) {
        EXPECT_TRUE(dialog.cbLoginStart->isChecked());
        dialog.cbLoginStart->setChecked(false);
        dialog.btn_OK->click();
    });
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(test.errors.isEmpty()) << test.errors.join('\n').toStdString();

    // Switched off by the desktop's own settings, which keep the file.
    ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    written.write("[Desktop Entry]\nType=Application\nName=Pontra\nExec=pontra\nHidden=true\n");
    written.close();
    test.EditAdvanced([&](TFormAdvanced &dialog) {
        EXPECT_FALSE(dialog.cbLoginStart->isChecked());
        dialog.btn_Cancel->click();
    });
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

} // namespace
