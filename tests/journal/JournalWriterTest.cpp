#include "JournalTestSupport.h"

#include "hall/Hall.h"
#include "journal/JournalReader.h"
#include "journal/JournalRecorder.h"
#include "journal/JournalWriter.h"
#include "journal/SqliteConnection.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono;

constexpr auto kIn = static_cast<std::uint16_t>(HallSource::In);
constexpr auto kReset = static_cast<std::uint16_t>(HallSource::Reset);
constexpr auto kDailyReset = static_cast<std::uint16_t>(HallSource::DailyReset);

sys_seconds Utc(int y, unsigned m, unsigned d, int h, int min, int s = 0)
{
    return sys_days(year(y) / m / d) + hours(h) + minutes(min) + seconds(s);
}

// The statuses a writer reported, from its thread.
struct Statuses {
    std::mutex mutex;
    std::vector<JournalStatus> seen;

    std::function<void(const JournalStatus &)> Callback()
    {
        return [this](const JournalStatus &status) {
            std::lock_guard lock(mutex);
            seen.push_back(status);
        };
    }
    std::vector<JournalStatus> Seen()
    {
        std::lock_guard lock(mutex);
        return seen;
    }
};

std::string Contents(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class JournalWriterTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::filesystem::path file = temp.Path() / "Vendaro" / "pontra" / "journal.sqlite3";
    JournalReader reader{file};
    Statuses statuses;

    // Rows at fixed dates stay, whatever the date of the test run.
    JournalWriter::Options Options(int keepDays = 100000)
    {
        return {file, keepDays, milliseconds(20), statuses.Callback()};
    }
};

TEST_F(JournalWriterTest, RecordsTheHallsChangesAndReadsThemBackByLocalDay)
{
    EXPECT_TRUE(reader.Rows(std::nullopt, std::nullopt).empty()) << "no journal yet: no rows";
    EXPECT_FALSE(std::filesystem::exists(file)) << "reading makes no file";

    JournalWriter writer(Options());
    // F4 F4 F4 F5 F10 after a start, through the hall.
    Hall hall(5);
    JournalRecorder recorder(writer);
    hall.AddListener(&recorder);
    const auto start = system_clock::now();
    hall.Apply({HallSource::Start, start});
    for (const auto source : {HallSource::In, HallSource::In, HallSource::In, HallSource::Out, HallSource::Reset})
        hall.Apply({source, start + seconds(1)});
    ASSERT_TRUE(WaitFor([&] { return reader.Rows(std::nullopt, std::nullopt).size() == 6; }))
        << "readable while the program writes";
    std::vector<std::tuple<HallSource, JournalChange, int>> recorded;
    for (const auto &row : reader.Rows(std::nullopt, std::nullopt))
        recorded.emplace_back(static_cast<HallSource>(row.source), row.change, row.count);
    const std::vector<std::tuple<HallSource, JournalChange, int>> expected = {
        {HallSource::Start, JournalChange::Started, 0}, {HallSource::In, JournalChange::Up, 1},
        {HallSource::In, JournalChange::Up, 2},         {HallSource::In, JournalChange::Up, 3},
        {HallSource::Out, JournalChange::Down, 2},      {HallSource::Reset, JournalChange::Reset, 0},
    };
    EXPECT_EQ(recorded, expected);
    EXPECT_EQ(reader.Rows(std::nullopt, std::nullopt)[1].time, floor<milliseconds>(start + seconds(1)));
    EXPECT_EQ(reader.Day(LocalTimeAt(start + seconds(1)).date).size(), 6u);

    // A day a year ago. A local day is the hall's: the offset moves rows across UTC's midnight,
    // and rows keep the order they happened in, also when the clock went back.
    const std::vector<JournalRow> rows = {
        Row(Utc(2025, 12, 8, 23, 30), 60, kIn, JournalChange::Up, 1),           // 9th, 00:30
        Row(Utc(2025, 12, 9, 3, 0), 60, kDailyReset, JournalChange::Reset, 0),  // 9th
        Row(Utc(2025, 12, 9, 22, 59, 59), 60, kIn, JournalChange::Up, 1),       // 9th, 23:59:59
        Row(Utc(2025, 12, 9, 23, 0), 60, kIn, JournalChange::Up, 2),            // 10th, 00:00
        Row(Utc(2025, 12, 10, 4, 0), -300, kReset, JournalChange::Reset, 0),    // 9th, 23:00 at -05:00
        Row(Utc(2025, 12, 8, 12, 0), 60, kIn, JournalChange::Up, 1),            // 8th
    };
    for (const auto &row : rows)
        writer.Append(row);
    ASSERT_TRUE(writer.Stop());
    const auto dec = [](unsigned day) { return year(2025) / December / day; };
    EXPECT_EQ(reader.Day(dec(9)), (std::vector<JournalRow>{rows[0], rows[1], rows[2], rows[4]}));
    EXPECT_EQ(reader.Day(dec(10)), (std::vector<JournalRow>{rows[3]}));
    EXPECT_EQ(reader.Rows(dec(8), dec(9)), (std::vector<JournalRow>{rows[0], rows[1], rows[2], rows[4], rows[5]}));
    EXPECT_EQ(reader.Rows(std::nullopt, dec(8)), (std::vector<JournalRow>{rows[5]}));
    EXPECT_TRUE(reader.Day(dec(7)).empty());
    EXPECT_EQ(reader.LastRow(), rows[5]);
    EXPECT_EQ(reader.LastDailyReset(), dec(9));
    EXPECT_TRUE(statuses.Seen().empty()) << "nothing to report";
    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}

// Appends rows with counts 1, 2, ... and tells the parent through a pipe after
// each `every` rows; never returns.
[[noreturn]] void AppendInChild(const std::filesystem::path &file, int pipe, int rows, int every)
{
    JournalWriter::Options options;
    options.file = file;
    options.keepDays = 100000;
    JournalWriter writer(options);
    for (int i = 1; rows == 0 || i <= rows; ++i) {
        writer.Append(Row(Utc(2025, 12, 9, 10, 0) + seconds(i), 60, kIn, JournalChange::Up, i));
        if (i % every == 0 && write(pipe, "+", 1) != 1)
            _exit(1);
        if (rows == 0 && i % every == 0)
            usleep(1000); // a busy hall, not a flood
    }
    for (;;)
        pause();
}

pid_t StartChild(const std::filesystem::path &file, int rows, int every, int &readEnd)
{
    int ends[2];
    if (pipe(ends) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        AppendInChild(file, ends[1], rows, every);
    }
    close(ends[1]);
    readEnd = ends[0];
    return child;
}

void Kill(pid_t child)
{
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
}

TEST_F(JournalWriterTest, AProcessKilledAfterItsChangesLosesNone)
{
    int fromChild = -1;
    const pid_t child = StartChild(file, 20, 1, fromChild);
    ASSERT_GT(child, 0);
    char told[20];
    std::size_t got = 0;
    while (got < sizeof told) {
        const auto n = read(fromChild, told + got, sizeof told - got);
        ASSERT_GT(n, 0) << "the child died";
        got += static_cast<std::size_t>(n);
    }
    // The time between the last change and the kill is what is tested here.
    std::this_thread::sleep_until(steady_clock::now() + milliseconds(1500));
    Kill(child);
    close(fromChild);

    const auto rows = reader.Rows(std::nullopt, std::nullopt);
    ASSERT_EQ(rows.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].count, i + 1);
}

TEST_F(JournalWriterTest, AProcessKilledWhileWritingLeavesAnIntactJournal)
{
    int fromChild = -1;
    const pid_t child = StartChild(file, 0, 200, fromChild);
    ASSERT_GT(child, 0);
    // Killed in mid-stream, once some rows are in.
    const bool written = WaitFor([&] { return !reader.Rows(std::nullopt, std::nullopt).empty(); });
    Kill(child);
    ASSERT_TRUE(written);
    close(fromChild);

    const auto rows = reader.Rows(std::nullopt, std::nullopt);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].count, static_cast<int>(i) + 1) << "what is there is the unbroken beginning";
    JournalWriter next(Options());
    next.Append(Row(Utc(2026, 12, 9, 12, 0), 60, kReset, JournalChange::Reset, 0));
    ASSERT_TRUE(next.Stop());
    EXPECT_EQ(reader.Rows(std::nullopt, std::nullopt).size(), rows.size() + 1);
    EXPECT_TRUE(statuses.Seen().empty()) << "the file was taken up as it was";
}

TEST_F(JournalWriterTest, UnwritablePlaceKeepsRowsInMemoryAndWritesThemOnceItCan)
{
    // Root may write anywhere, so the folder is kept from being made by a
    // file in its way rather than by its permissions.
    const auto blocker = file.parent_path();
    std::filesystem::create_directories(blocker.parent_path());
    std::ofstream(blocker) << "im Weg";

    JournalWriter writer(Options());
    std::vector<JournalRow> rows;
    for (int i = 1; i <= 3; ++i)
        rows.push_back(Row(Utc(2026, 12, 9, 10, i), 60, kIn, JournalChange::Up, i));
    for (const auto &row : rows)
        writer.Append(row);
    ASSERT_TRUE(WaitFor([&] { return !statuses.Seen().empty(); }));
    auto seen = statuses.Seen();
    EXPECT_FALSE(seen[0].writing);
    EXPECT_NE(seen[0].reason.find(blocker.string()), std::string::npos) << seen[0].reason;
    EXPECT_NE(JournalNotice(seen[0]).find("Die Zählung läuft weiter"), std::string::npos);
    rows.push_back(Row(Utc(2026, 12, 9, 10, 4), 60, kIn, JournalChange::Up, 4));
    writer.Append(rows.back());

    std::filesystem::remove(blocker);
    ASSERT_TRUE(WaitFor([&] { return reader.Rows(std::nullopt, std::nullopt).size() == rows.size(); }));
    EXPECT_EQ(reader.Rows(std::nullopt, std::nullopt), rows);
    ASSERT_TRUE(writer.Stop());
    seen = statuses.Seen();
    ASSERT_EQ(seen.size(), 2u) << "one report when it stopped, one when it went on";
    EXPECT_TRUE(seen[1].writing);

    // A lock held by another program: the rows wait for it, then arrive.
    JournalWriter again(Options());
    SqliteConnection other(file, SqliteConnection::Mode::ReadWrite);
    other.Exec("BEGIN EXCLUSIVE");
    rows.push_back(Row(Utc(2026, 12, 9, 10, 5), 60, kIn, JournalChange::Up, 5));
    again.Append(rows.back());
    ASSERT_TRUE(WaitFor([&] { return statuses.Seen().size() == 3; }));
    EXPECT_NE(statuses.Seen()[2].reason.find("sperrt"), std::string::npos) << statuses.Seen()[2].reason;
    other.Exec("COMMIT");
    ASSERT_TRUE(WaitFor([&] { return reader.Rows(std::nullopt, std::nullopt).size() == rows.size(); }));
    EXPECT_EQ(reader.LastRow(), rows.back());
}

TEST_F(JournalWriterTest, DamagedOrForeignFileIsMovedAsideUntouched)
{
    for (const bool damaged : {true, false}) {
        std::filesystem::remove_all(file.parent_path());
        std::filesystem::create_directories(file.parent_path());
        if (damaged) {
            std::ofstream(file, std::ios::binary) << std::string(3000, 'x') << "keine Datenbank";
        } else {
            SqliteConnection foreign(file, SqliteConnection::Mode::ReadWrite);
            foreign.Exec("CREATE TABLE kunden (name TEXT); INSERT INTO kunden VALUES ('Meier')");
        }
        const std::string before = Contents(file);
        EXPECT_THROW(reader.LastRow(), JournalError);
        statuses.seen.clear();

        JournalWriter writer(Options());
        const auto row = Row(Utc(2026, 12, 9, 10, 0), 60, kIn, JournalChange::Up, 1);
        writer.Append(row);
        ASSERT_TRUE(writer.Stop());
        const auto seen = statuses.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(seen[0].writing);
        const auto aside = seen[0].setAside;
        EXPECT_EQ(aside.parent_path(), file.parent_path());
        EXPECT_EQ(aside.filename().string().rfind("journal.sqlite3.defekt-", 0), 0u) << aside;
        EXPECT_EQ(Contents(aside), before) << "kept as it was";
        EXPECT_NE(JournalNotice(seen[0]).find(aside.string()), std::string::npos);
        EXPECT_EQ(reader.Rows(std::nullopt, std::nullopt), std::vector<JournalRow>{row});
        if (!damaged) {
            SqliteConnection foreign(aside, SqliteConnection::Mode::ReadOnly);
            EXPECT_EQ(foreign.Text("SELECT name FROM kunden"), "Meier");
        }
    }
}

TEST_F(JournalWriterTest, DeletesRowsOlderThanTheKeptDaysWhenItOpens)
{
    const auto today = sys_days(LocalTimeAt(system_clock::now()).date);
    const auto noon = [&](int daysAgo) { return sys_seconds(today - days(daysAgo) + hours(12)); };
    std::vector<JournalRow> rows;
    for (const int daysAgo : {500, 401, 400, 10, 0})
        rows.push_back(Row(noon(daysAgo), 0, kIn, JournalChange::Up, daysAgo));
    {
        JournalWriter writer(Options(1000));
        for (const auto &row : rows)
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());
    }
    ASSERT_EQ(reader.Rows(std::nullopt, std::nullopt).size(), 5u);
    JournalWriter writer(Options(400));
    ASSERT_TRUE(writer.Stop());
    EXPECT_EQ(reader.Rows(std::nullopt, std::nullopt), (std::vector<JournalRow>{rows[2], rows[3], rows[4]}));
}

} // namespace
