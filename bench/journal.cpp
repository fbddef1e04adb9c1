// Prints the day journal's figures for a busy year: 10^6 changes over 365
// days plus one day of 10^5 (a chart's worst case). The file's size, the time
// to read one day through a fresh read-only connection, the caller's time in
// Append() while the writer thread commits, and the writer's throughput.
// One figure per line: "name = value unit". The file lives in a temporary
// folder, removed afterwards.
#include "hall/Hall.h"
#include "journal/JournalReader.h"
#include "journal/JournalRecorder.h"
#include "journal/JournalWriter.h"
#include "BenchFolder.h"
#include "Spread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kYearRows = 1'000'000;
constexpr int kYearDays = 365;
constexpr int kBusiestDayRows = 100'000;
constexpr int kReadDays = 50;
constexpr int kRecordedChanges = 100'000;

double Since(steady_clock::time_point start, double unit)
{
    return duration<double>(steady_clock::now() - start).count() * unit;
}

// A day's passages between 09:00 and 21:00 local time, in and out in turn.
void AppendDay(JournalWriter &writer, sys_days day, int rows, std::vector<double> &appendMicroseconds)
{
    const auto opening = day + hours(8); // 09:00 at +01:00
    const auto spacing = milliseconds(12 * 3600 * 1000 / std::max(rows, 1));
    int count = 0;
    for (int i = 0; i < rows; ++i) {
        const bool in = i % 2 == 0;
        count += in ? 1 : -1;
        const JournalRow row{opening + spacing * i, hours(1), static_cast<std::uint16_t>(in ? 1 : 2),
                             in ? JournalChange::Up : JournalChange::Down, count, 500};
        const auto start = steady_clock::now();
        writer.Append(row);
        appendMicroseconds.push_back(Since(start, 1e6));
    }
}

} // namespace

int main()
{
    const BenchFolder folder;
    if (!folder.Made())
        return 1;
    const auto file = folder.Path() / "journal.sqlite3";
    const auto today = floor<days>(system_clock::now());
    const auto busiestDay = today - days(kYearDays);

    JournalWriter::Options options;
    options.file = file;
    std::vector<double> appendMicroseconds;
    appendMicroseconds.reserve(kYearRows + kBusiestDayRows);
    const auto writeStart = steady_clock::now();
    bool written = false;
    {
        JournalWriter writer(options);
        for (int day = 0; day < kYearDays; ++day) {
            const int rows = kYearRows / kYearDays + (day < kYearRows % kYearDays ? 1 : 0);
            AppendDay(writer, today - days(kYearDays - 1 - day), rows, appendMicroseconds);
        }
        AppendDay(writer, busiestDay, kBusiestDayRows, appendMicroseconds);
        written = writer.Stop(minutes(5));
    }
    const double writeSeconds = Since(writeStart, 1);
    if (!written) {
        std::fprintf(stderr, "the rows were not written\n");
        return 1;
    }
    const auto rows = kYearRows + kBusiestDayRows;
    const auto bytes = std::filesystem::file_size(file);
    std::printf("rows = %d\n", rows);
    std::printf("file_size = %.1f MB\n", static_cast<double>(bytes) / 1e6);
    std::printf("bytes_per_row = %.1f B\n", static_cast<double>(bytes) / rows);
    std::printf("year_projected_size = %.1f MB (target < 100)\n", static_cast<double>(bytes) / rows * kYearRows / 1e6);
    std::printf("writer_throughput = %.0f rows/s\n", rows / writeSeconds);
    PrintSpread("append", appendMicroseconds, "us");
    // The same timing around nothing: what the machine's scheduler adds.
    std::vector<double> idleMicroseconds;
    idleMicroseconds.reserve(appendMicroseconds.size());
    for (std::size_t i = 0; i < appendMicroseconds.size(); ++i) {
        const auto begin = steady_clock::now();
        idleMicroseconds.push_back(Since(begin, 1e6));
    }
    PrintSpread("timing_alone", idleMicroseconds, "us");

    // Reading a day, as the chart and the export do: each read opens afresh.
    const JournalReader reader(file);
    std::mt19937 random(7);
    std::vector<double> dayMilliseconds;
    std::size_t dayRows = 0;
    for (int i = 0; i < kReadDays; ++i) {
        const auto day = today - days(std::uniform_int_distribution<int>(0, kYearDays - 1)(random));
        const auto start = steady_clock::now();
        dayRows += reader.Day(year_month_day(day)).size();
        dayMilliseconds.push_back(Since(start, 1e3));
    }
    std::printf("day_rows = %zu\n", dayRows / kReadDays);
    PrintSpread("read_day", dayMilliseconds, "ms (target < 50)");
    std::vector<double> busiestMilliseconds;
    for (int i = 0; i < 5; ++i) {
        const auto start = steady_clock::now();
        dayRows = reader.Day(year_month_day(busiestDay)).size();
        busiestMilliseconds.push_back(Since(start, 1e3));
    }
    std::printf("busiest_day_rows = %zu\n", dayRows);
    PrintSpread("read_busiest_day", busiestMilliseconds, "ms");
    auto start = steady_clock::now();
    const auto last = reader.LastRow();
    std::printf("last_row = %.3f ms\n", Since(start, 1e3));
    start = steady_clock::now();
    reader.LastDailyReset();
    std::printf("last_daily_reset = %.3f ms\n", Since(start, 1e3));

    // Opening the year's file for writing again (retention included).
    start = steady_clock::now();
    {
        JournalWriter writer(options);
        writer.Stop();
    }
    std::printf("writer_open_and_close = %.1f ms\n", Since(start, 1e3));

    // The whole path of a change on the caller's side: the hall tells the
    // recorder, which takes the local offset and queues the row.
    {
        JournalWriter writer(options);
        Hall hall(500);
        JournalRecorder recorder(writer);
        hall.AddListener(&recorder);
        std::vector<double> changeMicroseconds;
        changeMicroseconds.reserve(kRecordedChanges);
        for (int i = 0; i < kRecordedChanges; ++i) {
            const auto begin = steady_clock::now();
            hall.Apply({i % 2 == 0 ? HallSource::EntryBarrier : HallSource::ExitBarrier, system_clock::now()});
            changeMicroseconds.push_back(Since(begin, 1e6));
        }
        PrintSpread("hall_change_recorded", changeMicroseconds, "us");
        writer.Stop();
    }
    return last ? 0 : 1;
}
