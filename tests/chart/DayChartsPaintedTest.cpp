#include "chart/ChartTestDay.h"
#include "chart/DayChartShapes.h"
#include "chart/DayCharts.h"
#include "chart/TFormDayChart.h"
#include "support/Wait.h"

#include <QDateEdit>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace std::chrono;

qreal DayStart()
{
    return static_cast<qreal>(QDate(2026, 3, 10).startOfDay().toMSecsSinceEpoch());
}

qreal DayEnd()
{
    return static_cast<qreal>(QDate(2026, 3, 11).startOfDay().toMSecsSinceEpoch());
}

// Whether a pixel of about colour lies within reach of place (the lines are
// smoothed and the capacity's is dashed).
bool Near(const QImage &image, QPointF place, QColor colour, int reachX = 2, int reachY = 2)
{
    for (int dy = -reachY; dy <= reachY; ++dy) {
        for (int dx = -reachX; dx <= reachX; ++dx) {
            const QPoint pixel = place.toPoint() + QPoint(dx, dy);
            if (!image.rect().contains(pixel))
                continue;
            const QColor found = image.pixelColor(pixel);
            if (std::abs(found.red() - colour.red()) + std::abs(found.green() - colour.green()) +
                    std::abs(found.blue() - colour.blue()) <
                60)
                return true;
        }
    }
    return false;
}

// A window on the test day, read and shown.
class PaintedDay : public testing::Test {
protected:
    void SetUp() override
    {
        window.Now = [] { return March10(12) + days(2); };
        window.Open();
        ASSERT_TRUE(WaitUntil([&] { return !window.Loading(); }));
        window.DayEdit->setDate(QDate(2026, 3, 10));
        ASSERT_TRUE(WaitUntil([&] { return window.Data().Rows().size() == kDay.size(); }));
    }

    TFormDayChart window{[](year_month_day day) {
        return day == year(2026) / March / 10 ? kDay : std::vector<JournalRow>();
    }};
};

const QColor kBlue(0x1f, 0x5f, 0xa8);
const QColor kRed(0xc0, 0x39, 0x2b);
const QColor kGreen(0x2e, 0x8b, 0x57);
const QColor kOrange(0xe0, 0x7b, 0x39);

TEST_F(PaintedDay, DrawsTheSameStepLinesAndHourlyBarsAsQtCharts)
{
    const auto t = [](std::size_t i) { return Ms(kDay[i].time); };
    const QList<QPointF> steps = {{t(0), 0}, {t(1), 0}, {t(1), 1}, {t(2), 1}, {t(2), 2}, {t(3), 2}, {t(3), 3},
                                  {t(4), 3}, {t(4), 2}, {t(5), 2}, {t(5), 3}, {t(6), 3}, {t(6), 0}, {DayEnd(), 0}};
    EXPECT_EQ(window.Charts->OccupancyPoints(), steps);
    const QList<QPointF> capacity = {{t(0), 5}, {t(5), 5}, {t(5), 8}, {DayEnd(), 8}};
    EXPECT_EQ(window.Charts->CapacityPoints(), capacity);
    for (int hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(window.Charts->EntriesAt(hour), hour == 9 ? 2 : hour == 10 || hour == 11 ? 1 : 0) << hour;
        EXPECT_EQ(window.Charts->ExitsAt(hour), hour == 10 ? 1 : 0) << hour;
    }
}

TEST_F(PaintedDay, PaintsTheLinesAndBarsWhereTheAxesPlaceThem)
{
    const QImage image = window.Charts->grab().toImage();
    // A peak of 3 and a capacity of 8: counts from 0 to 10.
    const QRectF lines = window.Charts->LinePlot();
    ASSERT_TRUE(image.rect().contains(lines.toRect()));
    const auto at = [&](sys_seconds time, double count) {
        return QPointF(lines.left() + (Ms(time) - DayStart()) / (DayEnd() - DayStart()) * lines.width(),
                       lines.bottom() - count / 10 * lines.height());
    };
    EXPECT_TRUE(Near(image, at(March10(10, 15), 3), kBlue));
    EXPECT_TRUE(Near(image, at(March10(11, 30), 3), kBlue));
    EXPECT_TRUE(Near(image, at(March10(18), 0), kBlue));
    EXPECT_FALSE(Near(image, at(March10(9), 3), kBlue));
    EXPECT_FALSE(Near(image, at(March10(7), 0), kBlue)) << "the line starts with the day's first row";
    // Dashed: one dash lies within a gap's length on either side.
    EXPECT_TRUE(Near(image, at(March10(9), 5), kRed, 8));
    EXPECT_TRUE(Near(image, at(March10(20), 8), kRed, 8));
    EXPECT_FALSE(Near(image, at(March10(9), 8), kRed, 8));

    // At most 2 passages an hour: counts from 0 to 3; each hour's entries in
    // its left half, its exits in its right.
    const QRectF bars = window.Charts->BarPlot();
    ASSERT_TRUE(image.rect().contains(bars.toRect()));
    ASSERT_GT(bars.top(), lines.bottom());
    const auto bar = [&](int hour, double side, double count) {
        return QPointF(bars.left() + (hour + side) * bars.width() / 24, bars.bottom() - count / 3 * bars.height());
    };
    EXPECT_TRUE(Near(image, bar(9, 0.35, 1.8), kGreen, 0, 0));
    EXPECT_FALSE(Near(image, bar(9, 0.35, 2.2), kGreen, 0, 0));
    EXPECT_TRUE(Near(image, bar(10, 0.65, 0.8), kOrange, 0, 0));
    EXPECT_FALSE(Near(image, bar(10, 0.65, 1.2), kOrange, 0, 0));
    EXPECT_FALSE(Near(image, bar(9, 0.65, 0.5), kOrange, 0, 0));
}

TEST_F(PaintedDay, ADayWithoutRowsDrawsNoLineNorBar)
{
    window.DayEdit->setDate(QDate(2026, 3, 9));
    ASSERT_TRUE(WaitUntil([&] { return !window.Loading() && window.Data().Rows().empty(); }));
    EXPECT_TRUE(window.Charts->OccupancyPoints().isEmpty());
    EXPECT_TRUE(window.Charts->CapacityPoints().isEmpty());
    const QImage image = window.Charts->grab().toImage();
    for (const QRectF &plot : {window.Charts->LinePlot(), window.Charts->BarPlot()}) {
        const QRect pixels = plot.toRect();
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                for (const QColor &colour : {kBlue, kRed, kGreen, kOrange})
                    ASSERT_FALSE(Near(image, QPointF(x, y), colour, 0, 0)) << x << "," << y;
    }
}

TEST(PerPixelColumn, KeepsEachColumnsFirstExtremesAndLastInTheirOrder)
{
    // Column 10: a zigzag whose highest value (smallest y) comes before its
    // lowest; column 11: two points, both kept; column 13: one.
    const QPolygonF line = {{10.0, 50}, {10.2, 40}, {10.3, 45}, {10.5, 60}, {10.6, 52}, {10.9, 55},
                            {11.1, 55}, {11.8, 30}, {13.5, 30}};
    const QPolygonF kept = {{10.0, 50}, {10.2, 40}, {10.5, 60}, {10.9, 55}, {11.1, 55}, {11.8, 30}, {13.5, 30}};
    EXPECT_EQ(PerPixelColumn(line), kept);
    // A column whose first or last point is an extreme keeps it once.
    EXPECT_EQ(PerPixelColumn(QPolygonF({{5.1, 1}, {5.2, 3}, {5.3, 2}})), QPolygonF({{5.1, 1}, {5.2, 3}, {5.3, 2}}));
    EXPECT_EQ(PerPixelColumn(QPolygonF({{5.1, 3}, {5.2, 2}, {5.3, 2.5}, {5.4, 1}})),
              QPolygonF({{5.1, 3}, {5.4, 1}}));
    EXPECT_TRUE(PerPixelColumn({}).isEmpty());
}

} // namespace
