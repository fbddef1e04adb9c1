#include "dialogs/TFDlgYesNo.h"
#include "dialogs/WindowPlacement.h"
#include "support/Wait.h"

#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

namespace {

const QList<QRect> kMonitors{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1680, 1050)};

QPoint reachable(int x, int y, int avoid = -1)
{
    return ReachablePosition(QPoint(x, y), QSize(302, 223), 20, kMonitors, avoid);
}

TEST(ReachablePosition, AGrippableTitleBarKeepsItsPlace)
{
    EXPECT_EQ(reachable(809, 419), QPoint(809, 419));
    EXPECT_EQ(reachable(-200, 100), QPoint(-200, 100)); // 102 px of it on the left monitor
    EXPECT_EQ(reachable(1800, 900), QPoint(1800, 900)); // bottom half below the screen
    EXPECT_EQ(reachable(3500, 500), QPoint(3500, 500)); // 100 px on the right monitor
}

TEST(ReachablePosition, AnythingElseComesFullyOntoTheNearestMonitor)
{
    EXPECT_EQ(reachable(100000, 100000), QPoint(3600 - 302, 1050 - 223));
    EXPECT_EQ(reachable(-5000, -3000), QPoint(0, 0));
    EXPECT_EQ(reachable(5000, 3000), QPoint(3600 - 302, 1050 - 223));
    EXPECT_EQ(reachable(-269, -160), QPoint(0, 0));
    EXPECT_EQ(reachable(800, -10), QPoint(800, 0)); // title bar cut at the top
    EXPECT_EQ(reachable(2000, 1040), QPoint(2000, 1050 - 223));
    // Larger than the monitor: its top-left corner.
    EXPECT_EQ(ReachablePosition(QPoint(-9000, 50), QSize(4000, 2000), 20, kMonitors), QPoint(0, 0));
    EXPECT_EQ(ReachablePosition(QPoint(5, 6), QSize(10, 10), 20, {}), QPoint(5, 6));
    // At the 32-bit limits, where no coordinate sum may be formed in 32 bits.
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    EXPECT_EQ(reachable(kMax, kMax), QPoint(3600 - 302, 1050 - 223));
    EXPECT_EQ(reachable(kMin, kMin), QPoint(0, 0));
    EXPECT_EQ(reachable(kMin, kMax), QPoint(0, 1080 - 223));
    EXPECT_EQ(reachable(kMax - 100, 10), QPoint(3600 - 302, 10));
}

TEST(ReachablePosition, ThePublicDisplaysMonitorIsTakenOnlyWhenThereIsNoOther)
{
    // Nearest to the right monitor, which shows the display: onto the left one.
    EXPECT_EQ(reachable(5000, 3000, 1), QPoint(1920 - 302, 1080 - 223));
    EXPECT_EQ(reachable(-5000, -3000, 0), QPoint(1920, 0));
    // A grippable place stays, on whichever monitor it is.
    EXPECT_EQ(reachable(2000, 100, 1), QPoint(2000, 100));
    EXPECT_EQ(ReachablePosition(QPoint(5000, 3000), QSize(302, 223), 20, {kMonitors[0]}, 0),
              QPoint(1920 - 302, 1080 - 223));
}

TEST(PlaceBeside, RightLeftBelowOrAboveTheMainWindowElseNone)
{
    const QRect monitor(0, 0, 1366, 768);
    const QSize chart(900, 560);
    // At the top of a wide monitor: below it.
    EXPECT_EQ(PlaceBeside(QRect(809, 0, 302, 223), chart, QRect(0, 0, 1920, 1080)), QPoint(809, 223));
    // Near the left edge: to its right, level with it as far as the monitor allows.
    EXPECT_EQ(PlaceBeside(QRect(10, 400, 302, 223), chart, monitor), QPoint(312, 208));
    // Near the right edge: to its left.
    EXPECT_EQ(PlaceBeside(QRect(1060, 0, 302, 223), chart, monitor), QPoint(160, 0));
    // In the middle of the laptop's screen: nowhere.
    EXPECT_EQ(PlaceBeside(QRect(532, 272, 302, 223), chart, monitor), std::nullopt);
}

TEST(KeepDialogUnminimised, AMinimisedQuestionComesBackAndStillAnswers)
{
    TFDlgYesNo dialog;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.setWindowState(dialog.windowState() | Qt::WindowMinimized);
        ASSERT_TRUE(WaitUntil([&] { return dialog.isVisible() && !dialog.isMinimized(); }));
        dialog.OKBtn->click();
    });
    EXPECT_EQ(dialog.exec(), TFDlgYesNo::mrYes);
}

} // namespace
