#include "support/TestApplication.h"

#include "display/TFormMonitor2.h"
#include "widgets/TImage.h"
#include "widgets/TLabel3D.h"
#include "widgets/TLbSpeedButton.h"
#include "support/Printers.h"

#include <QLabel>
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
    test.hall().SetCapacity(50);
    for (int i = 0; i < 4; ++i)
        test.main().bIn->click();
    EXPECT_EQ(count(), "4");
    EXPECT_EQ(display().Label3D1->Caption(),
              "Herzlich Willkommen!\r\n\r\nSie sind der 5.\r\nBesucher von 50 in der Halle.");

    test.main().bOut->click();
    EXPECT_EQ(count(), "3");
    EXPECT_TRUE(display().Label3D1->Caption().contains("Sie sind der 4."));

    test.main().bReset->click();
    EXPECT_EQ(test.state().VisitorCount, 0);
    EXPECT_EQ(count(), "0");
    EXPECT_TRUE(display().Label3D1->Caption().contains("Sie sind der 1."));
    EXPECT_FALSE(stopScreen());
}

TEST_F(CounterTest, OutAtZeroRewritesTheLabelButLeavesTheDisplayAlone)
{
    test.main().bIn->click();
    test.main().bOut->click();
    const QString before = display().Label3D1->Caption();
    // A display refresh would show this capacity, put only into its copy.
    test.state().MaxCounter = 77;
    test.main().Label1->setText("stale");

    test.main().bOut->click();

    EXPECT_EQ(test.state().VisitorCount, 0);
    EXPECT_EQ(count(), "0");
    EXPECT_EQ(display().Label3D1->Caption(), before);
}

TEST_F(CounterTest, EntriesBeyondTheCapacityAreCountedAndKeepTheStopScreen)
{
    test.hall().SetCapacity(5);
    for (int i = 0; i < 5; ++i)
        test.main().bIn->click();
    EXPECT_TRUE(stopScreen());

    test.main().bIn->click();

    EXPECT_EQ(count(), "6");
    EXPECT_TRUE(stopScreen());
    EXPECT_EQ(display().LabelMax->Caption(), "\r\n\r\n\r\nMax. 5");
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

} // namespace

TEST(CountDigits, KeepTheirSizeWhileTheyFitAndShrinkSoThatEveryDigitShows)
{
    TestApplication test;
    test.Start();
    TFormMain &main = test.main();
    const int width = main.Label1->contentsRect().width();
    main.bInClick();
    EXPECT_EQ(main.Label1->font().pixelSize(), 59);
    for (int count : {1001, 10001, 2147483646}) {
        test.hall().Apply({.source = HallSource::Start, .time = {}, .count = count});
        main.bInClick();
        const QFontMetrics metrics(main.Label1->font());
        EXPECT_LE(metrics.horizontalAdvance(main.Label1->text()), width) << count + 1;
        EXPECT_LT(main.Label1->font().pixelSize(), 59) << count + 1;
    }
    main.bResetClick();
    EXPECT_EQ(main.Label1->font().pixelSize(), 59);
}
