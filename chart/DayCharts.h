#pragma once

#include <QWidget>

#include <cstdint>

class DayChartData;
class QBarSet;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

// The two charts of a day: the count against the capacity over the day, and
// the entries and exits of each hour as bars.
class DayCharts : public QWidget {
    Q_OBJECT
public:
    explicit DayCharts(QWidget *parent = nullptr);

    // Shows a day that runs from dayStartMs to dayEndMs (milliseconds since
    // the epoch); the last count and capacity are held until heldUntilMs.
    void Show(const DayChartData &data, std::int64_t dayStartMs, std::int64_t dayEndMs, std::int64_t heldUntilMs);
    // An empty chart of the day.
    void Clear(std::int64_t dayStartMs, std::int64_t dayEndMs);

    QLineSeries *OccupancyLine;
    QLineSeries *CapacityLine;
    QBarSet *EntriesBars;
    QBarSet *ExitsBars;

private:
    QDateTimeAxis *timeAxis_;
    QValueAxis *countAxis_;
    QValueAxis *passagesAxis_;
};
