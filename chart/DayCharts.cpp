#include "chart/DayCharts.h"

#include "chart/DayChartData.h"
#include "chart/DayChartShapes.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QChart *NewChart()
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setLocale(QLocale(QLocale::German, QLocale::Germany));
    chart->setLocalizeNumbers(true);
    return chart;
}

QChartView *NewView(QChart *chart, QWidget *parent)
{
    auto *view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QValueAxis *NewValueAxis(const QString &title)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    return axis;
}

void Fit(QValueAxis *axis, double highest)
{
    const CountScale scale = FitCounts(highest);
    axis->setTickInterval(scale.step);
    axis->setRange(0, scale.top);
}

} // namespace

DayCharts::DayCharts(QWidget *parent)
    : QWidget(parent)
{
    QChart *occupancy = NewChart();
    OccupancyLine = new QLineSeries;
    OccupancyLine->setName(QStringLiteral("Personen in der Halle"));
    OccupancyLine->setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 2));
    CapacityLine = new QLineSeries;
    CapacityLine->setName(QStringLiteral("Kapazität"));
    CapacityLine->setPen(QPen(QColor(0xc0, 0x39, 0x2b), 2, Qt::DashLine));
    occupancy->addSeries(OccupancyLine);
    occupancy->addSeries(CapacityLine);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm"));
    timeAxis_->setTickCount(13);
    countAxis_ = NewValueAxis(QStringLiteral("Personen"));
    occupancy->addAxis(timeAxis_, Qt::AlignBottom);
    occupancy->addAxis(countAxis_, Qt::AlignLeft);
    for (QLineSeries *line : {OccupancyLine, CapacityLine}) {
        line->attachAxis(timeAxis_);
        line->attachAxis(countAxis_);
    }

    QChart *hourly = NewChart();
    EntriesBars = new QBarSet(QStringLiteral("Eintritte"));
    EntriesBars->setColor(QColor(0x2e, 0x8b, 0x57));
    ExitsBars = new QBarSet(QStringLiteral("Austritte"));
    ExitsBars->setColor(QColor(0xe0, 0x7b, 0x39));
    QStringList hours;
    for (int hour = 0; hour < 24; ++hour) {
        hours.append(QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
        EntriesBars->append(0);
        ExitsBars->append(0);
    }
    auto *bars = new QBarSeries;
    bars->append(EntriesBars);
    bars->append(ExitsBars);
    hourly->addSeries(bars);
    auto *hourAxis = new QBarCategoryAxis;
    hourAxis->append(hours);
    passagesAxis_ = NewValueAxis(QStringLiteral("Durchgänge"));
    hourly->addAxis(hourAxis, Qt::AlignBottom);
    hourly->addAxis(passagesAxis_, Qt::AlignLeft);
    bars->attachAxis(hourAxis);
    bars->attachAxis(passagesAxis_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(NewView(occupancy, this), 3);
    layout->addWidget(NewView(hourly, this), 2);
}

void DayCharts::Show(const DayChartData &data, std::int64_t dayStartMs, std::int64_t dayEndMs,
                     std::int64_t heldUntilMs)
{
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(dayStartMs), QDateTime::fromMSecsSinceEpoch(dayEndMs));
    Fit(countAxis_, std::max(data.Peak() ? data.Peak()->count : 0, data.HighestCapacity()));
    heldUntilMs = std::min(heldUntilMs, dayEndMs);
    OccupancyLine->replace(DrawnLine(data.Occupancy(), heldUntilMs));
    CapacityLine->replace(DrawnLine(data.Capacity(), heldUntilMs));
    int busiest = 0;
    for (int hour = 0; hour < 24; ++hour) {
        const int entries = data.EntriesPerHour()[static_cast<std::size_t>(hour)];
        const int exits = data.ExitsPerHour()[static_cast<std::size_t>(hour)];
        EntriesBars->replace(hour, entries);
        ExitsBars->replace(hour, exits);
        busiest = std::max({busiest, entries, exits});
    }
    Fit(passagesAxis_, busiest);
}

void DayCharts::Clear(std::int64_t dayStartMs, std::int64_t dayEndMs)
{
    Show(DayChartData(), dayStartMs, dayEndMs, dayStartMs);
}

QList<QPointF> DayCharts::OccupancyPoints() const
{
    return OccupancyLine->points();
}

QList<QPointF> DayCharts::CapacityPoints() const
{
    return CapacityLine->points();
}

int DayCharts::EntriesAt(int hour) const
{
    return static_cast<int>(EntriesBars->at(hour));
}

int DayCharts::ExitsAt(int hour) const
{
    return static_cast<int>(ExitsBars->at(hour));
}
