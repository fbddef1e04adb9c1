#pragma once

#include <QList>
#include <QPointF>
#include <QWidget>

#include <cstdint>

#ifdef PONTRA_QT_CHARTS
class QBarSet;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
#else
#include "chart/DayChartShapes.h"

#include <array>
#endif

class DayChartData;

// The two charts of a day: the count against the capacity over the day, and
// the entries and exits of each hour as bars. Qt Charts draws them where the
// build has it; a Qt without it (the Windows build's) gets them painted by
// this widget itself (DayChartsPainted.cpp), with the same interface.
class DayCharts : public QWidget {
    Q_OBJECT
public:
    explicit DayCharts(QWidget *parent = nullptr);

    // Shows a day that runs from dayStartMs to dayEndMs (milliseconds since
    // the epoch); the last count and capacity are held until heldUntilMs.
    void Show(const DayChartData &data, std::int64_t dayStartMs, std::int64_t dayEndMs, std::int64_t heldUntilMs);
    // An empty chart of the day.
    void Clear(std::int64_t dayStartMs, std::int64_t dayEndMs);

    // What is drawn: each line's points (milliseconds since the epoch, value)
    // and each local hour's bars.
    QList<QPointF> OccupancyPoints() const;
    QList<QPointF> CapacityPoints() const;
    int EntriesAt(int hour) const;
    int ExitsAt(int hour) const;

#ifdef PONTRA_QT_CHARTS
    QLineSeries *OccupancyLine;
    QLineSeries *CapacityLine;
    QBarSet *EntriesBars;
    QBarSet *ExitsBars;

private:
    QDateTimeAxis *timeAxis_;
    QValueAxis *countAxis_;
    QValueAxis *passagesAxis_;
#else
    // Where each chart's plot lies in the widget at its present size: the
    // axes' ranges span these rectangles.
    QRectF LinePlot() const;
    QRectF BarPlot() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect LinePanel() const;
    QRect BarPanel() const;

    std::int64_t dayStartMs_ = 0;
    std::int64_t dayEndMs_ = 1;
    QList<QPointF> occupancy_;
    QList<QPointF> capacity_;
    CountScale counts_;
    std::array<int, 24> entries_{};
    std::array<int, 24> exits_{};
    CountScale passages_;
#endif
};
