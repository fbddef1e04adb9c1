// Prints the time to check the chain of a journal of 10^6 rows (a busy
// year), against the time to read the same rows through the reader, run
// in turn in the same process. One figure per line: "name = value unit".
// The file lives in a temporary folder, removed afterwards.
#include "journal/JournalCheck.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "BenchFolder.h"
#include "Spread.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kRows = 1'000'000;
constexpr int kDays = 365;
constexpr int kRuns = 7;

double MillisecondsSince(steady_clock::time_point start)
{
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

} // namespace

int main()
{
    const BenchFolder folder;
    if (!folder.Made())
        return 1;
    const auto file = folder.Path() / "journal.sqlite3";
    const auto today = floor<days>(system_clock::now());
    {
        JournalWriter::Options options;
        options.file = file;
        options.keepDays = 0;
        JournalWriter writer(options);
        // Passages between 09:00 and 21:00 at +01:00, in and out in turn.
        const auto spacing = milliseconds(12 * 3600 * 1000 / (kRows / kDays + 1));
        for (int i = 0; i < kRows; ++i) {
            const auto day = today - days(kDays - 1 - i / (kRows / kDays + 1));
            const bool in = i % 2 == 0;
            writer.Append({day + hours(8) + spacing * (i % (kRows / kDays + 1)), hours(1),
                           static_cast<std::uint16_t>(in ? 1 : 2), in ? JournalChange::Up : JournalChange::Down,
                           in ? 1 : 0, 500});
        }
        if (!writer.Stop(minutes(5))) {
            std::fprintf(stderr, "the rows were not written\n");
            return 1;
        }
    }

    const JournalReader reader(file);
    std::vector<double> checkMs;
    std::vector<double> readMs;
    JournalCheck check;
    for (int run = 0; run < kRuns; ++run) {
        auto start = steady_clock::now();
        check = CheckJournal(file);
        checkMs.push_back(MillisecondsSince(start));
        start = steady_clock::now();
        const auto rows = reader.Rows(std::nullopt, std::nullopt);
        readMs.push_back(MillisecondsSince(start));
        if (rows.size() != static_cast<std::size_t>(kRows))
            return 1;
    }
    std::printf("rows = %lld\n", static_cast<long long>(check.rows));
    std::printf("result = %s\n", JournalCheckText(check).c_str());
    std::printf("runs = %d\n", kRuns);
    PrintSpread("verify", checkMs, "ms (target < 2000 with a month's report)");
    PrintSpread("read_all_rows", readMs, "ms (yardstick)");
    std::printf("verify_over_read_median = %.2f\n", Percentile(checkMs, 0.5) / Percentile(readMs, 0.5));
    return check.outcome == JournalCheck::Outcome::Unchanged ? 0 : 1;
}
