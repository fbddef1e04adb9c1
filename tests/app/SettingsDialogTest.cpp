#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/TFrameL.h"
#include "dialogs/TForm2.h"
#include "display/TFormMonitor2.h"
#include "serial/TComPort.h"
#include "widgets/TImage.h"
#include "widgets/TLabel3D.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/TOwnerDrawComboBox.h"
#include "widgets/TSpinEdit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;

// F2 on the program with simulated COM1 and COM2, the port open on COM2.
class SettingsDialogTest : public ::testing::Test {
protected:
    void start(std::set<int> ports = {1, 2})
    {
        test.ports = std::move(ports);
        test.Start();
        TComPort *port = test.main().ComPort;
        for (auto [handler, name] : {std::pair{&port->OnOpen, "open"}, std::pair{&port->OnClose, "close"}}) {
            *handler = [this, name, previous = *handler](QObject *sender) {
                portCalls << name;
                previous(sender);
            };
        }
    }

    // Opens the settings with F2's handler and acts inside the modal dialog.
    void settings(const std::function<void(TForm2 &)> &inside)
    {
        TForm2 &dialog = test.app().forms.Form2();
        WhenIdle([&] {
            inside(dialog);
            if (dialog.isVisible())
                dialog.close();
        });
        test.main().bF2Click();
    }

    void choosePort(TForm2 &dialog, const QString &item) { dialog.cbPort->setCurrentIndex(dialog.cbPort->findText(item)); }
    // As the operator does it, with the keyboard.
    void typeCapacity(TForm2 &dialog, const QString &text)
    {
        dialog.seCounter->findChild<QLineEdit *>()->selectAll();
        QTest::keyClick(dialog.seCounter, Qt::Key_Backspace);
        QTest::keyClicks(dialog.seCounter, text);
    }
    void pickMonitor(TForm2 &dialog, int index)
    {
        QTest::keyClick(dialog.cbMonitor, Qt::Key_Home);
        for (int step = 0; step < index; ++step)
            QTest::keyClick(dialog.cbMonitor, Qt::Key_Down);
    }

    QStringList portCalls; // outlives the program, whose end still closes the port
    TestApplication test;
};

TEST_F(SettingsDialogTest, SaveAppliesEveryChoiceAtOnce)
{
    start();
    test.hall().Apply({.source = HallSource::Start, .time = {}, .count = 6});
    settings([&](TForm2 &dialog) {
        choosePort(dialog, "COM1");
        dialog.cbAlg1->setCurrentIndex(1);
        typeCapacity(dialog, "7");
        pickMonitor(dialog, 1);
        dialog.btn_Save->click();
    });
    TFormMain &main = test.main();
    EXPECT_EQ(main.ComPort->Port, 1);
    EXPECT_TRUE(test.lines->IsOpen(1));
    EXPECT_FALSE(test.lines->IsOpen(2));
    EXPECT_EQ(portCalls, QStringList({"close", "open"}));
    EXPECT_TRUE(test.state().ContaktIn);
    EXPECT_FALSE(test.state().ContaktOut);
    EXPECT_EQ(test.state().MaxCounter, 7);
    EXPECT_EQ(test.state().MonitorIndex, 1);
    EXPECT_TRUE(test.app().forms.FormMonitor2->Label3D1->Caption().contains("Besucher von 7 "));

    test.Stop();
    EXPECT_EQ(test.settings.values["Port"], 1);
    EXPECT_EQ(test.settings.values["ContaktIn"], 1);
    EXPECT_EQ(test.settings.values["MaxCounter"], 7);
    EXPECT_EQ(test.settings.values["Monitor"], 1);
}

TEST_F(SettingsDialogTest, SaveReopensAnUnchangedPortAndCancelLeavesItAlone)
{
    start();
    const unsigned opened = test.main().ComPort->Generation();
    for (auto leave : {+[](TForm2 &dialog) { dialog.btn_Cansel->click(); }, +[](TForm2 &dialog) { dialog.close(); }}) {
        settings([&](TForm2 &dialog) {
            choosePort(dialog, "COM1");
            dialog.cbAlg2->setCurrentIndex(1);
            typeCapacity(dialog, "50");
            leave(dialog);
        });
    }
    EXPECT_EQ(test.main().ComPort->Generation(), opened);
    EXPECT_TRUE(portCalls.isEmpty());
    EXPECT_FALSE(test.state().ContaktOut);
    EXPECT_EQ(test.state().MaxCounter, 5);

    settings([](TForm2 &dialog) { dialog.btn_Save->click(); });
    EXPECT_EQ(portCalls, QStringList({"close", "open"}));
    EXPECT_EQ(test.main().ComPort->Generation(), opened + 1);
    EXPECT_EQ(test.main().ComPort->Port, 2);
    EXPECT_EQ(test.state().MaxCounter, 5);
}

TEST_F(SettingsDialogTest, TheFirstRunsPortNotFoundAtStartIsDroppedBySave)
{
    // COM2, the port a first run tries, is not there: the list shows "None".
    start({1});
    ASSERT_FALSE(test.main().ComPort->Connected());
    settings([&](TForm2 &dialog) {
        EXPECT_EQ(dialog.cbPort->currentText(), "None");
        typeCapacity(dialog, "");
        dialog.btn_Save->click();
    });
    EXPECT_EQ(test.main().ComPort->Port, 0);
    EXPECT_FALSE(test.main().ComPort->Connected());
    // An empty field reads as its lower limit.
    EXPECT_EQ(test.state().MaxCounter, 1);
    EXPECT_TRUE(test.notices.isEmpty());
}

TEST_F(SettingsDialogTest, WhatTheOperatorLeavesAloneIsStoredAsReadAndAtOnce)
{
    // COM17 unplugged, a hall of 12345, the display's monitor gone.
    test.settings.keyExists = true;
    test.settings.values = {{"Port", 17}, {"MaxCounter", 12345}, {"ContaktIn", 1}, {"ContaktOut", 0},
                            {"X", 100}, {"Y", 100}, {"Monitor", 5}};
    start();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(test.notices.size(), 1);
    EXPECT_TRUE(test.notices[0].contains("COM17"));

    test.settings.values.clear();
    settings([&](TForm2 &dialog) {
        EXPECT_EQ(dialog.cbPort->currentText(), "COM17 (fehlt)");
        EXPECT_EQ(dialog.seCounter->Text(), "12345");
        EXPECT_EQ(dialog.cbMonitor->currentText(), "6=(fehlt)");
        dialog.btn_Save->click();
    });
    // Stored by the Save itself, not only at the end.
    EXPECT_EQ(test.settings.values["Port"], 17);
    EXPECT_EQ(test.settings.values["MaxCounter"], 12345);
    EXPECT_EQ(test.settings.values["Monitor"], 5);
    EXPECT_EQ(test.main().ComPort->Port, 17);

    // A typed 1 is kept as typed, at the next showing too.
    settings([&](TForm2 &dialog) {
        typeCapacity(dialog, "1");
        dialog.btn_Save->click();
    });
    settings([&](TForm2 &dialog) {
        EXPECT_EQ(dialog.seCounter->Text(), "1");
        dialog.btn_Save->click();
    });
    EXPECT_EQ(test.settings.values["MaxCounter"], 1);
    EXPECT_EQ(test.notices.size(), 1);
}

TEST_F(SettingsDialogTest, ASaveNeverStoresAMonitorThatNoneHas)
{
    test.settings.keyExists = true;
    test.settings.values = {{"Port", 2}, {"MaxCounter", 50}, {"ContaktIn", 0}, {"ContaktOut", 0},
                            {"X", 100}, {"Y", 100}, {"Monitor", -1}};
    start();
    test.main().show();
    settings([&](TForm2 &dialog) {
        // The monitor the display takes by itself: not the operator's.
        EXPECT_EQ(dialog.cbMonitor->currentIndex(), 1);
        dialog.btn_Save->click();
    });
    EXPECT_EQ(test.settings.values["Monitor"], 1);
}

TEST_F(SettingsDialogTest, APortThatRefusesToOpenIsKeptForTheNextStart)
{
    start();
    test.lines->RefuseSettings(1, true);
    settings([&](TForm2 &dialog) {
        choosePort(dialog, "COM1");
        typeCapacity(dialog, "0");
        dialog.btn_Save->click();
    });
    EXPECT_EQ(test.main().ComPort->Port, 1);
    EXPECT_FALSE(test.main().ComPort->Connected());
    EXPECT_EQ(portCalls, QStringList({"close"}));
    // A capacity of 0 typed and saved is taken as it stands: the hall is full.
    EXPECT_EQ(test.state().MaxCounter, 0);
    EXPECT_FALSE(test.app().forms.FormMonitor2->ImageStop->isHidden());
}

TEST_F(SettingsDialogTest, WhileTheDialogIsOpenTheEntryContactIsShownNotCounted)
{
    start();
    TFormMain &main = test.main();
    main.bIn->click();
    settings([&](TForm2 &dialog) {
        EXPECT_EQ(dialog.Image1->Picture().cacheKey(), dialog.ImageOff->Picture().cacheKey());
        test.lines->SetLines(2, DSR);
        ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == DSR; }));
        EXPECT_EQ(dialog.Image1->Picture().cacheKey(), dialog.ImageOn->Picture().cacheKey());
        test.lines->SetLines(2, 0);
        ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == 0; }));
        EXPECT_EQ(dialog.Image1->Picture().cacheKey(), dialog.ImageOff->Picture().cacheKey());
        // Left closed when the dialog goes.
        test.lines->SetLines(2, DSR);
        ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == DSR; }));
        dialog.btn_Cansel->click();
    });
    EXPECT_EQ(test.state().VisitorCount, 1);
    EXPECT_EQ(main.Label1->text(), "1");
}

} // namespace

namespace {

// A port whose device exists but refuses the user: it is offered, and the
// operator learns once, at start or on Save, what the fix is.
TEST_F(SettingsDialogTest, APortThatRefusesTheUserIsOfferedAndExplainedOnce)
{
    test.refusedPorts = {{17, PortRefusal{.device = "/dev/ttyUSB0", .group = "dialout", .user = "anna"}}};
    test.settings.keyExists = true;
    test.settings.values["Port"] = 17;
    start();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    ASSERT_EQ(test.notices.size(), 1);
    const QString hint = test.notices.first();
    EXPECT_TRUE(hint.contains("COM17 (/dev/ttyUSB0)")) << hint.toStdString();
    EXPECT_TRUE(hint.contains("„dialout“")) << hint.toStdString();
    EXPECT_TRUE(hint.contains("\nsudo usermod -aG dialout anna\n")) << hint.toStdString();
    EXPECT_FALSE(hint.contains("nicht verfügbar")) << "the port is there, it only refuses the user";

    settings([&](TForm2 &dialog) {
        EXPECT_EQ(dialog.cbPort->currentText(), "COM17");
        dialog.btn_Save->click();
    });
    EXPECT_EQ(test.main().ComPort->Port, 17);
    EXPECT_EQ(test.notices.size(), 1) << "once a run";
}

TEST_F(SettingsDialogTest, ChoosingARefusingPortExplainsItOnSave)
{
    test.refusedPorts = {{18, PortRefusal{.device = "/dev/ttyUSB1", .group = "uucp", .user = "bob"}}};
    start();
    settings([&](TForm2 &dialog) {
        choosePort(dialog, "COM18");
        dialog.btn_Save->click();
    });
    ASSERT_EQ(test.notices.size(), 1);
    EXPECT_TRUE(test.notices.first().contains("sudo usermod -aG uucp bob"));
    EXPECT_FALSE(test.main().ComPort->Connected());
}

} // namespace

namespace {

// Another program holds the port and switches RTS off: the port is refused,
// the operator learns why once a run, and the port is marked as lost until
// it opens.
TEST_F(SettingsDialogTest, APortThatDoesNotKeepItsRtsLineIsExplainedOnceAndMarkedAsLost)
{
    start({2, 3});
    test.lines->HoldRtsOff(3, true);
    for (int save = 0; save < 2; ++save) {
        settings([&](TForm2 &dialog) {
            choosePort(dialog, "COM3");
            dialog.btn_Save->click();
        });
        EXPECT_FALSE(test.main().ComPort->Connected());
        EXPECT_TRUE(test.main().FrameL2->toolTip().startsWith("Schnittstelle COM3 getrennt seit "))
            << test.main().FrameL2->toolTip().toStdString();
    }
    ASSERT_EQ(test.notices.size(), 1) << "once a run";
    const QString hint = test.notices.first();
    EXPECT_TRUE(hint.contains("COM3")) << hint.toStdString();
    EXPECT_TRUE(hint.contains("RTS")) << hint.toStdString();
    EXPECT_TRUE(hint.contains("anderes Programm")) << hint.toStdString();

    test.lines->HoldRtsOff(3, false);
    settings([&](TForm2 &dialog) { dialog.btn_Save->click(); });
    EXPECT_TRUE(test.main().ComPort->Connected());
    EXPECT_TRUE(test.main().FrameL2->toolTip().isEmpty());
    EXPECT_EQ(test.notices.size(), 1);
}

} // namespace
