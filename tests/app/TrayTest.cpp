#include "support/TestApplication.h"
#include "support/Wait.h"

#include "dialogs/TForm2.h"
#include "display/TFormMonitor2.h"
#include "serial/TComPort.h"
#include "widgets/TLabel3D.h"
#include "widgets/TTrayIcon.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

// The program shown on the operator's monitor, with simulated COM2 open.
class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test.ports = {2};
        test.Start();
        test.hall().SetCapacity(50);
        main().show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
        place = main().pos();
    }

    TFormMain &main() { return test.main(); }

    void minimise()
    {
        main().setWindowState(main().windowState() | Qt::WindowMinimized);
    }

    TestApplication test;
    QPoint place;
};

TEST_F(TrayTest, TheIconWaitsHiddenWithTheCaptionAsTip)
{
    EXPECT_FALSE(main().TrayIcon1->Active());
    EXPECT_FALSE(main().TrayIcon1->Animate());
    EXPECT_FALSE(main().TrayIcon1->MinimizeApp());
    EXPECT_EQ(main().TrayIcon1->ToolTip(), "Pontra 1.0");
    EXPECT_TRUE(test.tray->Requests.isEmpty());
}

TEST_F(TrayTest, MinimisingHidesTheWindowBehindTheIconAndAClickBringsItBack)
{
    minimise();
    ASSERT_TRUE(WaitUntil([&] { return test.tray->Shown; }));
    EXPECT_TRUE(main().isHidden());
    EXPECT_EQ(test.tray->Icon.Tip, "Pontra 1.0");

    // Counting goes on while hidden, by barrier and by key in the display.
    test.lines->SetLines(2, SerialDevice::MsDsrOn);
    ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == SerialDevice::MsDsrOn; }));
    test.lines->SetLines(2, 0);
    ASSERT_TRUE(WaitUntil([&] { return test.state().VisitorCount == 1; }));
    main().Rein1->trigger();
    EXPECT_TRUE(test.app().forms.FormMonitor2->Label3D1->Caption().contains("Sie sind der 3."));

    test.tray->Mouse(WM_LBUTTONDOWN);
    EXPECT_TRUE(main().isHidden());
    test.tray->Mouse(WM_LBUTTONUP);
    EXPECT_FALSE(test.tray->Shown);
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(main().isMinimized());
    EXPECT_EQ(main().pos(), place);
    EXPECT_EQ(main().Label1->text(), "2");
}

TEST_F(TrayTest, ASecondStartBringsTheWindowOutOfTheTrayOrOutOfTheTaskbar)
{
    minimise();
    ASSERT_TRUE(WaitUntil([&] { return test.tray->Shown; }));
    main().BringToFront();
    EXPECT_FALSE(test.tray->Shown);
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(main().pos(), place);

    // Minimised where no notification area is.
    test.tray->Available = false;
    minimise();
    ASSERT_TRUE(WaitUntil([&] { return main().isMinimized(); }));
    main().BringToFront();
    EXPECT_FALSE(main().isMinimized());
    EXPECT_TRUE(main().isVisible());
}

TEST_F(TrayTest, WithoutANotificationAreaTheWindowMinimisesAsUsual)
{
    test.tray->Available = false;
    minimise();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(main().isMinimized());
    EXPECT_FALSE(main().isHidden());
    EXPECT_TRUE(test.tray->Requests.isEmpty());
}

TEST_F(TrayTest, TheWindowComesBackWhenTheNotificationAreaGoes)
{
    minimise();
    ASSERT_TRUE(WaitUntil([&] { return test.tray->Shown; }));
    test.tray->Available = false;
    ASSERT_TRUE(WaitUntil([&] { return main().isVisible(); }));
    EXPECT_FALSE(main().TrayIcon1->Active());
    EXPECT_EQ(main().pos(), place);
}

} // namespace

namespace {

TEST_F(TrayTest, MinimisedWithAnOpenDialogTheWindowComesBackInsteadOfGoingToTheTray)
{
    TForm2 &dialog = test.app().forms.Form2();
    WhenIdle([&] {
        minimise();
        EXPECT_TRUE(WaitUntil([&] { return !main().isMinimized(); }));
        EXPECT_TRUE(main().isVisible());
        dialog.close();
    });
    main().bF2Click();
    EXPECT_FALSE(test.tray->Shown);
}

} // namespace
