#include "chart/DayCharts.h"

#include "chart/ChartPaint.h"
#include "chart/DayChartData.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

std::vector<double> Values(const std::array<int, 24> &hours)
{
    return std::vector<double>(hours.begin(), hours.end());
}

} // namespace

DayCharts::DayCharts(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DayCharts::Show(const DayChartData &data, std::int64_t dayStartMs, std::int64_t dayEndMs,
                     std::int64_t heldUntilMs)
{
    dayStartMs_ = dayStartMs;
    dayEndMs_ = std::max(dayEndMs, dayStartMs + 1);
    heldUntilMs = std::min(heldUntilMs, dayEndMs);
    occupancy_ = DrawnLine(data.Occupancy(), heldUntilMs);
    capacity_ = DrawnLine(data.Capacity(), heldUntilMs);
    counts_ = FitCounts(std::max(data.Peak() ? data.Peak()->count : 0, data.HighestCapacity()));
    entries_ = data.EntriesPerHour();
    exits_ = data.ExitsPerHour();
    passages_ = FitCounts(std::max(*std::max_element(entries_.begin(), entries_.end()),
                                   *std::max_element(exits_.begin(), exits_.end())));
    update();
}

void DayCharts::Clear(std::int64_t dayStartMs, std::int64_t dayEndMs)
{
    Show(DayChartData(), dayStartMs, dayEndMs, dayStartMs);
}

QList<QPointF> DayCharts::OccupancyPoints() const
{
    return occupancy_;
}

QList<QPointF> DayCharts::CapacityPoints() const
{
    return capacity_;
}

int DayCharts::EntriesAt(int hour) const
{
    return entries_.at(static_cast<std::size_t>(hour));
}

int DayCharts::ExitsAt(int hour) const
{
    return exits_.at(static_cast<std::size_t>(hour));
}

// The count over the day above the hours' bars, three to two.
QRect DayCharts::LinePanel() const
{
    return QRect(0, 0, width(), height() * 3 / 5);
}

QRect DayCharts::BarPanel() const
{
    const int top = LinePanel().bottom() + 1;
    return QRect(0, top, width(), height() - top);
}

QRectF DayCharts::LinePlot() const
{
    return PlotIn(LinePanel(), counts_, fontMetrics(), QFontMetrics(TitleFont(font())));
}

QRectF DayCharts::BarPlot() const
{
    return PlotIn(BarPanel(), passages_, fontMetrics(), QFontMetrics(TitleFont(font())));
}

void DayCharts::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    PaintCountChart(painter, LinePanel(), LinePlot(), occupancy_, capacity_, dayStartMs_, dayEndMs_, counts_);
    PaintPassageChart(painter, BarPanel(), BarPlot(), HourLabels(), Values(entries_), Values(exits_), passages_);
}
