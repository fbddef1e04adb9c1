#include "support/TestApplication.h"

#include "dialogs/TForm2.h"
#include "display/TFormMonitor2.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/TImage.h"

#include <QComboBox>
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

TEST(OneMonitor, TheSettingsOfferNoMonitorChoiceAndSaveKeepsTheStoredOne)
{
    TestApplication test;
    test.Start();
    // The display's monitor from a run with two, kept for when it is back.
    test.state().MonitorIndex = 1;
    test.state().MonitorChosen = true;
    TForm2 &dialog = test.app().forms.Form2();
    WhenIdle([&] {
        EXPECT_EQ(dialog.cbMonitor->count(), 1);
        EXPECT_EQ(dialog.cbMonitor->currentText(), "not connected");
        EXPECT_FALSE(dialog.cbMonitor->isEnabled());
        dialog.btn_Save->click();
    });
    test.main().bF2Click();
    EXPECT_EQ(test.state().MonitorIndex, 1);
    EXPECT_EQ(test.settings.values["Monitor"], 1);
}
