#include "support/TestApplication.h"

#include "display/TFormMonitor2.h"
#include "widgets/TImage.h"
#include "support/Printers.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CounterTest : public ::testing::Test {
protected:
    void SetUp() override { test.Start(); }

    QString count() { return test.main().Label1->text(); }
    TFormMonitor2 &display() { return *test.app().forms.FormMonitor2; }
    bool stopScreen() { return !display().ImageStop->isHidden(); }

    TestApplication test;
};

TEST_F(CounterTest, StartsAtZeroWithTheDesignCaption)
{
    EXPECT_EQ(test.state().VisitorCount, 0);
    EXPECT_EQ(count(), "0");
}

TEST_F(CounterTest, InOutAndResetKeepLabelAndDisplayInStep)
{
    test.state().MaxCounter = 50;
    for (int i = 0; i < 4; ++i)
        test.main().bIn->click();
    EXPECT_EQ(count(), "4");
    EXPECT_EQ(display().Label3D1->text(),
              "Herzlich Willkommen!\r\n\r\nSie sind der 5.\r\nBesucher von 50 in der Halle.");

    test.main().bOut->click();
    EXPECT_EQ(count(), "3");
    EXPECT_TRUE(display().Label3D1->text().contains("Sie sind der 4."));

    test.main().bReset->click();
    EXPECT_EQ(test.state().VisitorCount, 0);
    EXPECT_EQ(count(), "0");
    EXPECT_TRUE(display().Label3D1->text().contains("Sie sind der 1."));
    EXPECT_FALSE(stopScreen());
}

TEST_F(CounterTest, OutAtZeroRewritesTheLabelButLeavesTheDisplayAlone)
{
    test.main().bIn->click();
    test.main().bOut->click();
    const QString before = display().Label3D1->text();
    // A display refresh would show this new capacity.
    test.state().MaxCounter = 77;
    test.main().Label1->setText("stale");

    test.main().bOut->click();

    EXPECT_EQ(test.state().VisitorCount, 0);
    EXPECT_EQ(count(), "0");
    EXPECT_EQ(display().Label3D1->text(), before);
}

TEST_F(CounterTest, EntriesBeyondTheCapacityAreCountedAndKeepTheStopScreen)
{
    test.state().MaxCounter = 5;
    for (int i = 0; i < 5; ++i)
        test.main().bIn->click();
    EXPECT_TRUE(stopScreen());

    test.main().bIn->click();

    EXPECT_EQ(count(), "6");
    EXPECT_TRUE(stopScreen());
    EXPECT_EQ(display().LabelMax->text(), "\r\n\r\n\r\nMax. 5");
}

TEST_F(CounterTest, TheDisplaySwitchShowsExactlyOnePictureWithTwoMonitors)
{
    TFormMain &main = test.main();
    main.show();
    EXPECT_FALSE(main.ImageTVAus->isHidden());
    EXPECT_TRUE(main.ImageTVEin->isHidden());
    EXPECT_EQ(main.ImageTVEin->pos(), main.ImageTVAus->pos());

    QTest::mouseClick(main.ImageTVAus, Qt::LeftButton);
    EXPECT_TRUE(display().isVisible());
    EXPECT_TRUE(main.ImageTVAus->isHidden());
    EXPECT_FALSE(main.ImageTVEin->isHidden());

    QTest::mouseClick(main.ImageTVEin, Qt::LeftButton);
    EXPECT_FALSE(display().isVisible());
    EXPECT_FALSE(main.ImageTVAus->isHidden());
    EXPECT_TRUE(main.ImageTVEin->isHidden());
}

TEST_F(CounterTest, ClosingTheDisplayByItselfSwitchesThePicturesBack)
{
    test.main().Mon21Click();
    ASSERT_TRUE(display().isVisible());
    display().close();
    EXPECT_FALSE(test.main().ImageTVAus->isHidden());
    EXPECT_TRUE(test.main().ImageTVEin->isHidden());
}

TEST_F(CounterTest, TheDisplayCoversItsMonitorWithTextSizedToIt)
{
    test.state().MonitorIndex = 1;
    test.main().Mon21Click();
    EXPECT_EQ(display().geometry(), QRect(1920, 0, 1680, 1050));
    EXPECT_EQ(display().Label3D1->font().pointSize(), 105);
    EXPECT_EQ(display().LabelMax->font().pointSize(), 105);
    display().close();
}

TEST_F(CounterTest, AMonitorNoLongerAttachedFallsBackToThePrimary)
{
    test.state().MonitorIndex = 5;
    test.main().Mon21Click();
    EXPECT_EQ(display().geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(display().Label3D1->font().pointSize(), 108);
    display().close();
}

} // namespace
