#include "widgets/MinimiseToTray.h"

#include "support/RecordingNotificationArea.h"
#include "support/Wait.h"
#include "widgets/TTrayIcon.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A shown window with its icon on a recording notification area; records
// how the window stood each time it was told it is back.
class MinimiseToTrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tray.OnRestored = [this] { backShown << (window.isVisible() && !window.isMinimized()); };
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void minimise() { window.setWindowState(window.windowState() | Qt::WindowMinimized); }

    std::shared_ptr<RecordingNotificationArea::Record> area = std::make_shared<RecordingNotificationArea::Record>();
    QWidget window;
    TTrayIcon icon{&window, std::make_unique<RecordingNotificationArea>(area)};
    MinimiseToTray tray{window, icon};
    QList<bool> backShown;
};

TEST_F(MinimiseToTrayTest, TheAreaGoingAwayBringsTheWindowBackAndSaysSoOnce)
{
    minimise();
    ASSERT_TRUE(WaitUntil([&] { return area->Shown; }));
    EXPECT_TRUE(window.isHidden());
    EXPECT_TRUE(icon.Active());

    area->Available = false;
    ASSERT_TRUE(WaitUntil([&] { return window.isVisible(); }));
    EXPECT_FALSE(icon.Active());
    EXPECT_EQ(backShown, QList<bool>{true});

    // Shown already: in front, nothing brought back.
    tray.ShowInFront();
    EXPECT_EQ(backShown.size(), 1);
}

} // namespace
