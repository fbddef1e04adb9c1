// Prints the time to make a month's report from a journal of 10^6 rows in
// that month: reading the period's rows (and those on either side) and
// computing the figures, against the yardstick of reading the month's rows
// alone as the export does, in turns within one run. One figure per line:
// "name = value unit". The file lives in a temporary folder, removed
// afterwards (PONTRA_BENCH_KEEP=1 keeps it).
#include "hall/HallSource.h"
#include "journal/JournalCheck.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "report/HallReportMaker.h"
#include "BenchFolder.h"
#include "Spread.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kMonthRows = 1'000'000;
constexpr int kRuns = 10;
constexpr std::int32_t kCapacity = 500;
const year_month_day kMonth = year(2026) / March / 1;

double Since(steady_clock::time_point start)
{
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

class MonthWriter {
public:
    explicit MonthWriter(JournalWriter &writer) : writer_(writer) {}

    void Append(sys_time<milliseconds> at, HallSource source, JournalChange change)
    {
        // The offset as the program takes it: the system's zone at that moment.
        writer_.Append({at, LocalTimeAt(at).utcOffset, static_cast<std::uint16_t>(source), change, count_, kCapacity});
        ++rows_;
    }

    // A day: the daily reset at 03:00, a start at 07:00, passages from 08:00
    // to 22:00 (the hall filling past its capacity and emptying again), a
    // blocked barrier now and then.
    void Day(sys_days day, int passages, std::mt19937 &random)
    {
        const auto local = [&](milliseconds since) { return day + since - LocalTimeAt(day + hours(12)).utcOffset; };
        count_ = 0;
        Append(local(hours(3)), HallSource::DailyReset, JournalChange::Reset);
        Append(local(hours(7)), HallSource::Start, JournalChange::Resumed);
        const milliseconds spacing = hours(14) / passages;
        for (int i = 0; i < passages; ++i) {
            const auto at = local(hours(8) + spacing * i);
            const double inShare = i < passages / 2 ? 0.53 : 0.47;
            if (std::bernoulli_distribution(inShare)(random) || count_ == 0) {
                ++count_;
                Append(at, i % 7 == 0 ? HallSource::In : HallSource::EntryBarrier, JournalChange::Up);
            } else {
                --count_;
                Append(at, i % 7 == 0 ? HallSource::Out : HallSource::ExitBarrier, JournalChange::Down);
            }
            if (i % 5000 == 2500) {
                Append(at + milliseconds(1), HallSource::EntryBlocked, JournalChange::None);
                Append(at + seconds(40), HallSource::EntryClear, JournalChange::None);
                i += 1;
            }
        }
    }

    int Rows() const { return rows_; }

private:
    JournalWriter &writer_;
    std::int32_t count_ = 0;
    int rows_ = 0;
};

} // namespace

int main()
{
    const BenchFolder folder;
    if (!folder.Made())
        return 1;
    const auto file = folder.Path() / "journal.sqlite3";
    const ReportPeriod month = MonthPeriod(kMonth);
    const int dayCount = static_cast<int>((sys_days(month.last) - sys_days(month.first)).count()) + 1;

    JournalWriter::Options options;
    options.file = file;
    options.keepDays = 0;
    int written = 0;
    {
        JournalWriter writer(options);
        MonthWriter journal(writer);
        std::mt19937 random(34);
        // The evening before the month, still running into it.
        journal.Day(sys_days(month.first) - days(1), 1000, random);
        const int perDay = (kMonthRows - 4 * dayCount) / dayCount;
        for (int day = 0; day < dayCount; ++day)
            journal.Day(sys_days(month.first) + days(day), perDay, random);
        written = journal.Rows();
        if (!writer.Stop(minutes(5))) {
            std::fprintf(stderr, "the rows were not written\n");
            return 1;
        }
    }

    const JournalReader reader(file);
    std::vector<double> readMs;
    std::vector<double> reportMs;
    std::vector<double> computeMs;
    std::vector<double> checkedMs;
    std::size_t monthRows = 0;
    HallReport report;
    const auto read = [&] {
        const auto start = steady_clock::now();
        monthRows = reader.Rows(month.first, month.last).size();
        readMs.push_back(Since(start));
    };
    const auto make = [&] {
        const auto start = steady_clock::now();
        const ReportRows rows = ReadReportRows(reader, month);
        const auto computing = steady_clock::now();
        report = MakeHallReport(rows, month, ReportOptions{.warnPercent = 80});
        computeMs.push_back(Since(computing));
        reportMs.push_back(Since(start));
        // As the report's footer does: the whole journal's chain.
        if (CheckJournal(file).outcome != JournalCheck::Outcome::Unchanged)
            std::fprintf(stderr, "the journal's check failed\n");
        checkedMs.push_back(Since(start));
    };
    // In turns, each first every other run.
    for (int run = 0; run < kRuns; ++run) {
        if (run % 2 == 0) {
            read();
            make();
        } else {
            make();
            read();
        }
    }
    std::printf("rows_written = %d\n", written);
    std::printf("month_rows = %zu\n", monthRows);
    std::printf("runs = %d\n", kRuns);
    PrintSpread("read_month_yardstick", readMs, "ms");
    PrintSpread("report_month", reportMs, "ms (read and computed)");
    PrintSpread("report_month_verified", checkedMs, "ms (with the journal's check; target < 2000)");
    PrintSpread("compute_only", computeMs, "ms");
    std::printf("report_to_read_ratio = %.2f\n", Percentile(reportMs, 0.5) / Percentile(readMs, 0.5));
    std::printf("entries = %lld, peak = %d, times_full = %lld\n", static_cast<long long>(report.total.entries),
                report.peak, static_cast<long long>(report.timesFull));

    return report.total.entries > 0 ? 0 : 1;
}
