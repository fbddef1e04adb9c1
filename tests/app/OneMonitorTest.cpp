#include "support/TestApplication.h"

#include "display/TFormMonitor2.h"
#include "widgets/TImage.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(OneMonitor, TheDisplaySwitchStaysHiddenAndCtrlTDoesNothing)
{
    TestApplication test;
    test.Start();
    TFormMain &main = test.main();
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    EXPECT_TRUE(main.ImageTVAus->isHidden());
    EXPECT_TRUE(main.ImageTVEin->isHidden());
    QTest::keyClick(&main, Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(test.app().forms.FormMonitor2->isVisible());
}
