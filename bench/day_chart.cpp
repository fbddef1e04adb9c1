// Prints how long the chart "Tagesverlauf" takes to draw a busy day of 10^5
// changes: the day's figures from the rows, the series handed to the charts,
// and the charts rendered into a pixmap, each the median of several runs,
// with the points the count's line holds. One figure per line: "name = value
// unit". Runs offscreen. Built twice: bench_day_chart on Qt Charts where the
// build has it, bench_day_chart_painted on the charts the widget paints.
//
// With --screenshot FILE it saves the window on an ordinary day instead.
#include "chart/DayChartData.h"
#include "chart/DayCharts.h"
#include "chart/TFormDayChart.h"
#include "hall/LocalTime.h"

#include <QApplication>
#include <QDateEdit>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kBusyDayVisitors = 50'000; // 10^5 changes
constexpr int kRuns = 9;
constexpr double kGoalMs = 50;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Since(steady_clock::time_point start)
{
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

// The instant a local time of day has on a date, in the system's time zone.
system_clock::time_point LocalAt(sys_days date, minutes timeOfDay)
{
    const auto guess = date + timeOfDay;
    return guess - LocalTimeAt(guess).utcOffset;
}

// A day of visitors between 09:00 and 22:00, most of them around noon and in
// the evening, each staying between half an hour and two hours; the
// capacity is raised at 16:00.
std::vector<JournalRow> VisitorDay(sys_days date, int visitors)
{
    std::mt19937 random(2026);
    std::normal_distribution<double> noon(12.5 * 60, 70), evening(18.5 * 60, 80);
    std::uniform_int_distribution<int> stay(30 * 60, 120 * 60);
    struct Passage {
        double minute;
        bool in;
    };
    std::vector<Passage> passages;
    for (int i = 0; i < visitors; ++i) {
        double arrival = 0;
        do
            arrival = i % 5 < 2 ? noon(random) : evening(random);
        while (arrival < 9 * 60 || arrival > 21.5 * 60);
        passages.push_back({arrival, true});
        passages.push_back({std::min(arrival + stay(random) / 60.0, 22.0 * 60 + i % 30), false});
    }
    std::sort(passages.begin(), passages.end(), [](auto &a, auto &b) { return a.minute < b.minute; });

    const auto row = [&](system_clock::time_point time, HallSource source, JournalChange change, int count,
                         int capacity) {
        return JournalRow{floor<milliseconds>(time), LocalTimeAt(time).utcOffset, static_cast<std::uint16_t>(source),
                          change, count, capacity};
    };
    std::vector<JournalRow> rows{row(LocalAt(date, minutes(8 * 60 + 45)), HallSource::Start, JournalChange::Started, 0,
                                     visitors / 5)};
    int count = 0;
    for (const Passage &passage : passages) {
        count += passage.in ? 1 : -1;
        const int capacity = passage.minute < 16 * 60 ? visitors / 5 : visitors / 4;
        const auto time = LocalAt(date, minutes(0)) + duration_cast<system_clock::duration>(
                                                          duration<double, std::ratio<60>>(passage.minute));
        rows.push_back(row(time, passage.in ? HallSource::EntryBarrier : HallSource::ExitBarrier,
                           passage.in ? JournalChange::Up : JournalChange::Down, count, capacity));
    }
    return rows;
}

int Screenshot(const char *file)
{
    const sys_days date = year(2026) / December / 9;
    TFormDayChart window([rows = VisitorDay(date, 1200)](year_month_day) { return rows; });
    window.Now = [date] { return LocalAt(date, minutes(22 * 60 + 40)); };
    window.Open();
    while (window.Loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.DayEdit->clearFocus();
    QCoreApplication::processEvents(); // the layout follows the texts shown
    if (!window.grab().save(QString::fromLocal8Bit(file))) {
        std::fprintf(stderr, "cannot save %s\n", file);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0)
        return Screenshot(argv[2]);

    const sys_days date = year(2026) / December / 9;
    const std::vector<JournalRow> rows = VisitorDay(date, kBusyDayVisitors);
    const std::int64_t dayStart = duration_cast<milliseconds>(LocalAt(date, minutes(0)).time_since_epoch()).count();
    const std::int64_t dayEnd = dayStart + 24 * 3600 * 1000;
    DayCharts charts;
    charts.resize(880, 470);
    charts.show();
    std::vector<double> figures, series, render, total;
    std::size_t points = 0;
    for (int run = 0; run <= kRuns; ++run) {
        const auto start = steady_clock::now();
        DayChartData data;
        for (const JournalRow &row : rows)
            data.Add(row);
        const double figured = Since(start);
        charts.Clear(dayStart, dayEnd);
        const auto handed = steady_clock::now();
        charts.Show(data, dayStart, dayEnd, dayEnd);
        const double shown = Since(handed);
        const auto painted = steady_clock::now();
        // The charts lay their items out from posted events.
        QCoreApplication::processEvents();
        const QPixmap pixmap = charts.grab();
        const double rendered = Since(painted);
        points = static_cast<std::size_t>(charts.OccupancyPoints().size());
        if (run == 0 || pixmap.isNull())
            continue; // the first run warms the caches up
        figures.push_back(figured);
        series.push_back(shown);
        render.push_back(rendered);
        total.push_back(figured + shown + rendered);
        if (run == kRuns && qEnvironmentVariableIsSet("PONTRA_BENCH_PICTURE"))
            pixmap.save(qEnvironmentVariable("PONTRA_BENCH_PICTURE"));
    }
#ifdef PONTRA_QT_CHARTS
    std::printf("charts = Qt Charts\n");
#else
    std::printf("charts = painted\n");
#endif
    std::printf("changes = %zu\n", rows.size());
    std::printf("line_points = %zu\n", points);
    std::printf("figures_median = %.2f ms\n", Median(figures));
    std::printf("series_median = %.2f ms\n", Median(series));
    std::printf("render_median = %.2f ms\n", Median(render));
    std::printf("draw_total_median = %.2f ms (goal <= %.0f ms, median of %d runs)\n", Median(total), kGoalMs, kRuns);
    std::printf("draw_total_max = %.2f ms\n", *std::max_element(total.begin(), total.end()));
    return 0;
}
