// Prints how long the GUI thread stalls while the chart "Tagesverlauf" saves
// a day of 200,000 rows as CSV ("CSV speichern …"), against the save's total
// time, each the median of several runs: the longest time between two turns
// of the event loop (a 1 ms timer ticks throughout), the click's own time
// counted in. Its yardstick, in turns with the saves: the longest such time
// of the idle event loop over as long. One figure per line: "name = value
// unit". Runs offscreen.
#include "chart/TFormDayChart.h"
#include "hall/LocalTime.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kRows = 200'000;
constexpr int kRuns = 7;
constexpr double kGoalMs = 16;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A day of passages from 08:00 on, five a second.
std::vector<JournalRow> BusyDay(sys_days date)
{
    std::vector<JournalRow> rows;
    const auto start = date + hours(8);
    const auto offset = LocalTimeAt(start).utcOffset;
    for (int i = 0; i < kRows; ++i) {
        const bool in = i % 3 != 2;
        rows.push_back({floor<milliseconds>(start - offset + milliseconds(i * 200)), offset,
                        static_cast<std::uint16_t>(in ? HallSource::EntryBarrier : HallSource::ExitBarrier),
                        in ? JournalChange::Up : JournalChange::Down, i / 3, 100'000});
    }
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const sys_days date = year(2026) / December / 9;
    TFormDayChart window([rows = BusyDay(date)](year_month_day) { return rows; });
    window.Now = [date] { return date + hours(23); };
    window.Open();
    while (window.Loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    std::vector<double> stalls, totals, clicks, idles;
    for (int run = 0; run < kRuns; ++run) {
        const QString file = folder.filePath(QStringLiteral("tag-%1.csv").arg(run));
        window.ChooseCsvFile = [&](QWidget *, const QString &) { return file; };
        auto last = steady_clock::now();
        double stall = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const auto now = steady_clock::now();
            stall = std::max(stall, duration<double, std::milli>(now - last).count());
            last = now;
        });
        tick.start();
        const auto start = steady_clock::now();
        last = start;
        window.SaveCsvButton->click();
        stall = duration<double, std::milli>(steady_clock::now() - start).count();
        clicks.push_back(stall);
        last = steady_clock::now();
        // The complete file takes its name at the end; the button comes back after.
        while (!QFileInfo::exists(file) || !window.SaveCsvButton->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        totals.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
        stalls.push_back(std::max(stall, duration<double, std::milli>(steady_clock::now() - last).count()));

        stall = 0;
        last = steady_clock::now();
        const auto idleEnd = last + duration<double, std::milli>(totals.back());
        while (steady_clock::now() < idleEnd)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        idles.push_back(stall);
    }
    std::printf("rows = %d\n", kRows);
    std::printf("csv_save_total_median = %.1f ms\n", Median(totals));
    std::printf("csv_save_gui_stall_median = %.1f ms (goal <= %.0f ms, median of %d runs)\n", Median(stalls), kGoalMs,
                kRuns);
    std::printf("idle_loop_stall_median = %.1f ms (the yardstick)\n", Median(idles));
    std::printf("csv_save_click_median = %.1f ms\n", Median(clicks));
    std::printf("csv_save_gui_stall_max = %.1f ms\n", *std::max_element(stalls.begin(), stalls.end()));
    std::printf("csv_save_stall_share = %.3f (longest stall / total)\n", Median(stalls) / Median(totals));
    return 0;
}
