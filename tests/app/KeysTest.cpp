#include "support/TestApplication.h"

#include "dialogs/TFDlgYesNo.h"
#include "chart/DayChartWindow.h"
#include "dialogs/TFormInfo.h"
#include "display/TFormMonitor2.h"
#include "widgets/TImage.h"
#include "widgets/TLabel3D.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/TTrayIcon.h"
#include "support/Printers.h"
#include "support/Wait.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class KeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test.Start();
        test.hall().SetCapacity(50);
        test.main().show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&test.main()));
    }

    void TearDown() override { test.app().forms.FormMonitor2->close(); }

    TFormMonitor2 &display() { return *test.app().forms.FormMonitor2; }

    TestApplication test;
};

// Presses each counting key in the given window and checks what it did.
void pressCountingKeys(QWidget *window, TestApplication &test)
{
    QTest::keyClick(window, Qt::Key_F4);
    QTest::keyClick(window, Qt::Key_F4);
    QTest::keyClick(window, Qt::Key_F4);
    EXPECT_EQ(test.state().VisitorCount, 3);
    EXPECT_EQ(test.main().Label1->text(), "3");
    QTest::keyClick(window, Qt::Key_F5);
    EXPECT_EQ(test.main().Label1->text(), "2");
    QTest::keyClick(window, Qt::Key_F10);
    EXPECT_EQ(test.main().Label1->text(), "0");
    QTest::keyClick(window, Qt::Key_F5);
    EXPECT_EQ(test.state().VisitorCount, 0);
}

TEST_F(KeysTest, CountingKeysActInTheMainWindow)
{
    pressCountingKeys(&test.main(), test);
}

TEST_F(KeysTest, KeysActInTheDisplayWindowWhileTheMainWindowIsHidden)
{
    QTest::keyClick(&test.main(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(display().isVisible());
    test.main().hide();
    display().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&display()));

    pressCountingKeys(&display(), test);
    EXPECT_TRUE(display().Label3D1->Caption().contains("Sie sind der 1."));

    QTest::keyClick(&display(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(display().isVisible());
    EXPECT_FALSE(test.main().ImageTVAus->isHidden());
}

TEST_F(KeysTest, CtrlTTogglesTheDisplay)
{
    QTest::keyClick(&test.main(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(display().isVisible());
    EXPECT_FALSE(test.main().ImageTVEin->isHidden());
    QTest::keyClick(&test.main(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(display().isVisible());
}

TEST_F(KeysTest, KeysDoNothingWhileAModalDialogIsOpen)
{
    TFormInfo *info = &test.app().forms.FormInfo();
    bool sawDialog = false;
    WhenIdle([&] {
        sawDialog = info->isVisible();
        for (QWidget *window : {static_cast<QWidget *>(&test.main()), static_cast<QWidget *>(info)}) {
            QTest::keyClick(window, Qt::Key_F4);
            QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier);
            QTest::keyClick(window, Qt::Key_F3);
        }
        QTest::keyClick(info, Qt::Key_Escape);
    });
    QTest::keyClick(&test.main(), Qt::Key_F3);

    EXPECT_TRUE(sawDialog);
    EXPECT_FALSE(info->isVisible());
    EXPECT_EQ(test.state().VisitorCount, 0);
    EXPECT_FALSE(display().isVisible());
    // Once the dialog is gone the keys work again.
    QTest::keyClick(&test.main(), Qt::Key_F4);
    EXPECT_EQ(test.state().VisitorCount, 1);
}

TEST_F(KeysTest, CloseQuestionBlocksKeysAndNeinKeepsTheCount)
{
    test.main().bIn->click();
    TFDlgYesNo *question = &test.app().forms.FDlgYesNo();
    QString asked;
    WhenIdle([&] {
        asked = question->Label1->text();
        QTest::keyClick(question, Qt::Key_F4);
        QTest::keyClick(&test.main(), Qt::Key_F10);
        question->CancelBtn->click();
    });
    EXPECT_FALSE(test.main().close());

    EXPECT_EQ(asked, "Programm beenden?");
    EXPECT_TRUE(test.main().isVisible());
    EXPECT_EQ(test.state().VisitorCount, 1);
}

TEST_F(KeysTest, JaClosesTheMainWindowAndEndsTheProgram)
{
    bool ended = false;
    QObject::connect(&test.main(), &TFormMain::Closed, [&] { ended = true; });
    WhenIdle([&] { test.app().forms.FDlgYesNo().OKBtn->click(); });
    EXPECT_TRUE(test.main().close());
    EXPECT_TRUE(ended);
}

TEST_F(KeysTest, F6TheTrayMenuAndTheInformationWindowOpenTheDayChart)
{
    // Made by the first key, from its module.
    EXPECT_EQ(test.app().forms.FormDayChart, nullptr);
    QTest::keyClick(&display(), Qt::Key_F6);
    ASSERT_NE(test.app().forms.FormDayChart, nullptr);
    QWidget &chart = *test.app().forms.FormDayChart->Window();
    EXPECT_TRUE(chart.isVisible());
    chart.close();

    WhenIdle([&] { test.app().forms.FormInfo().sDayChart->click(); });
    test.main().bF3Click();
    EXPECT_FALSE(test.app().forms.FormInfo().isVisible());
    ASSERT_TRUE(WaitUntil([&] { return chart.isVisible(); }));
    chart.close();

    // In the notification area, the icon's menu: the chart, and the way back.
    TTrayIcon &tray = *test.main().TrayIcon1;
    ASSERT_EQ(tray.PopupMenu(), test.main().TrayMenu);
    const QList<QAction *> entries = tray.PopupMenu()->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), "Tagesverlauf");
    EXPECT_EQ(entries[1]->text(), "Fenster zeigen");
    test.main().hide();
    tray.SetActive(true);
    entries[0]->trigger();
    EXPECT_TRUE(chart.isVisible());
    entries[1]->trigger();
    EXPECT_TRUE(test.main().isVisible());
    EXPECT_FALSE(tray.Active());
    chart.close();
}

} // namespace
