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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono;

constexpr auto kIn = static_cast<std::uint16_t>(HallSource::In);
constexpr auto kDailyReset = static_cast<std::uint16_t>(HallSource::DailyReset);

sys_seconds Utc(unsigned d, int h, int min, int s = 0)
{
    return sys_days(year(2025) / December / d) + hours(h) + minutes(min) + seconds(s);
}

JournalRow Passage(int minute, int count)
{
    return Row(Utc(9, 10, minute), 60, kIn, JournalChange::Up, count);
}

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
    std::mutex mutex;
    std::vector<JournalStatus> statuses; // as reported on the writer thread

    // Rows at fixed dates stay, whatever the date of the test run.
    JournalWriter::Options Options(int keepDays = 100000)
    {
        return {file, keepDays, milliseconds(20), [this](const JournalStatus &status) {
                    std::lock_guard lock(mutex);
                    statuses.push_back(status);
                }};
    }
    std::vector<JournalStatus> Statuses()
    {
        std::lock_guard lock(mutex);
        return statuses;
    }
    std::vector<JournalRow> All() const { return reader.Rows(std::nullopt, std::nullopt); }
};

TEST_F(JournalWriterTest, RecordsTheHallsChangesAndReadsThemBackByLocalDay)
{
    EXPECT_TRUE(All().empty());
    EXPECT_FALSE(std::filesystem::exists(file)) << "reading makes no file";

    JournalWriter writer(Options());
    Hall hall(5);
    JournalRecorder recorder(writer);
    hall.AddListener(&recorder);
    const auto now = system_clock::now();
    hall.Apply({HallSource::Start, now});
    for (const auto source : {HallSource::In, HallSource::In, HallSource::In, HallSource::Out, HallSource::Reset})
        hall.Apply({source, now});
    ASSERT_TRUE(WaitFor([&] { return All().size() == 6; })) << "readable while the program writes";
    std::vector<int> counts;
    std::vector<JournalChange> changes;
    for (const auto &row : reader.Day(LocalTimeAt(now).date)) {
        counts.push_back(row.count);
        changes.push_back(row.change);
    }
    using enum JournalChange;
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 2, 3, 2, 0}));
    EXPECT_EQ(changes, (std::vector<JournalChange>{Started, Up, Up, Up, Down, Reset}));
    EXPECT_EQ(All()[4].source, static_cast<std::uint16_t>(HallSource::Out));
    EXPECT_EQ(All()[4].time, floor<milliseconds>(now));

    // The hall's day: the offset moves rows across UTC's midnight, and rows
    // keep the order they happened in, also when the clock went back.
    const std::vector<JournalRow> rows = {
        Row(Utc(8, 23, 30), 60, kIn, JournalChange::Up, 1),             // 9th, 00:30
        Row(Utc(9, 3, 0), 60, kDailyReset, JournalChange::Reset, 0),    // 9th
        Row(Utc(9, 22, 59, 59), 60, kIn, JournalChange::Up, 1),         // 9th, 23:59:59
        Row(Utc(9, 23, 0), 60, kIn, JournalChange::Up, 2),              // 10th, 00:00
        Row(Utc(10, 4, 0), -300, kIn, JournalChange::Up, 3),            // 9th, 23:00 at -05:00
        Row(Utc(8, 12, 0), 60, kIn, JournalChange::Up, 1),              // 8th
    };
    for (const auto &row : rows)
        writer.Append(row);
    ASSERT_TRUE(writer.Stop());
    const auto dec = [](unsigned day) { return year(2025) / December / day; };
    EXPECT_EQ(reader.Day(dec(9)), (std::vector<JournalRow>{rows[0], rows[1], rows[2], rows[4]}));
    EXPECT_EQ(reader.Day(dec(10)), std::vector<JournalRow>{rows[3]});
    EXPECT_EQ(reader.Rows(dec(8), dec(9)), (std::vector<JournalRow>{rows[0], rows[1], rows[2], rows[4], rows[5]}));
    EXPECT_EQ(reader.Rows(std::nullopt, dec(8)), std::vector<JournalRow>{rows[5]});
    EXPECT_EQ(reader.LastRow(), rows[5]);
    EXPECT_EQ(reader.LastDailyReset(), dec(9));
    EXPECT_TRUE(Statuses().empty()) << "nothing to report";
    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    for (const char *companion : {"-wal", "-shm"})
        EXPECT_FALSE(std::filesystem::exists(file.string() + companion)) << "the readers leave no " << companion;
}

// Run as root, as the hostile cases need: another user's files are nobody's.
TEST_F(JournalWriterTest, AnotherUsersFileOrAFifoIsNeverOpenedAndTheRowsWaitInMemory)
{
    const std::filesystem::path foreign = temp.Path() / "fremd";
    const std::filesystem::path theirs = foreign / "journal.sqlite3";
    {
        JournalWriter::Options options;
        options.file = theirs;
        JournalWriter writer(options);
        writer.Append(Passage(1, 1));
        ASSERT_TRUE(writer.Stop());
    }
    std::ofstream(foreign / "leer");
    for (const auto &entry : std::filesystem::directory_iterator(foreign))
        ASSERT_EQ(chown(entry.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    std::filesystem::create_directories(file.parent_path());
    const std::string before = Contents(theirs);

    for (const auto &[target, problem] :
         {std::pair<std::filesystem::path, std::string>{theirs, "die Datei gehört einem anderen Benutzer"},
          {foreign / "leer", "die Datei gehört einem anderen Benutzer"},
          {foreign / "neu.db", "an der Stelle der Datei steht keine gewöhnliche Datei"},
          {"", "an der Stelle der Datei steht keine gewöhnliche Datei"}}) {
        std::filesystem::remove(file);
        if (target.empty()) {
            ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        } else {
            std::filesystem::create_symlink(target, file);
        }
        statuses.clear();
        JournalWriter writer(Options());
        writer.Append(Passage(2, 2));
        ASSERT_TRUE(WaitFor([&] { return !Statuses().empty(); })) << target;
        EXPECT_NE(Statuses()[0].reason.find(problem), std::string::npos) << target << ": " << Statuses()[0].reason;
        EXPECT_FALSE(writer.Stop());
        EXPECT_EQ(writer.TakeUnwritten(), std::deque<JournalRow>{Passage(2, 2)});
        if (target.empty()) {
            EXPECT_THROW(reader.LastRow(), JournalError) << "a fifo is refused, not waited on";
        }
    }
    EXPECT_EQ(Contents(theirs), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(foreign), {}), 2) << "nothing made beside them";
}

TEST_F(JournalWriterTest, AProcessKilledAfterItsChangesLosesNone)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t child = fork();
    if (child == 0) {
        // Tells the parent after each append, then waits to be killed.
        JournalWriter writer(Options());
        for (int i = 1; i <= 20; ++i) {
            writer.Append(Passage(i, i));
            if (write(ends[1], "+", 1) != 1)
                _exit(1);
        }
        for (;;)
            pause();
    }
    ASSERT_GT(child, 0);
    close(ends[1]);
    char told[20];
    for (std::size_t got = 0; got < sizeof told;) {
        const auto n = read(ends[0], told + got, sizeof told - got);
        ASSERT_GT(n, 0) << "the child died";
        got += static_cast<std::size_t>(n);
    }
    // The time between the last change and the kill is what is tested here.
    std::this_thread::sleep_until(steady_clock::now() + milliseconds(1500));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ends[0]);

    const auto rows = All();
    ASSERT_EQ(rows.size(), 20u);
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(rows[static_cast<std::size_t>(i - 1)], Passage(i, i));
    JournalWriter next(Options());
    ASSERT_TRUE(next.Stop());
    EXPECT_TRUE(Statuses().empty()) << "the file is taken up as it was left";
}

TEST_F(JournalWriterTest, CommittedRowsReachTheFileItselfWithTheNextCheckpoint)
{
    auto options = Options();
    options.checkpointInterval = milliseconds(50);
    JournalWriter writer(options);
    writer.Append(Passage(1, 1));
    writer.Append(Passage(2, 2));
    // The file without its log is what a power cut may leave of the log's
    // unsynced end; the checkpoint has put the rows into the file.
    const auto copy = temp.Path() / "file-alone.sqlite3";
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing, ignored);
        try {
            return JournalReader(copy).Rows(std::nullopt, std::nullopt).size() == 2;
        } catch (const JournalError &) {
            return false;
        }
    }));
    EXPECT_TRUE(std::filesystem::exists(file.string() + "-wal")) << "the log stays while the writer runs";
}

TEST_F(JournalWriterTest, UnwritablePlaceKeepsRowsInMemoryAndWritesThemOnceItCan)
{
    // Root may write anywhere, so the folder is kept from being made by a
    // file in its way rather than by its permissions.
    const auto blocker = file.parent_path();
    std::filesystem::create_directories(blocker.parent_path());
    std::ofstream(blocker) << "im Weg";

    JournalWriter writer(Options());
    std::vector<JournalRow> rows = {Passage(1, 1), Passage(2, 2)};
    for (const auto &row : rows)
        writer.Append(row);
    ASSERT_TRUE(WaitFor([&] { return !Statuses().empty(); }));
    EXPECT_FALSE(Statuses()[0].writing);
    EXPECT_NE(Statuses()[0].reason.find(blocker.string()), std::string::npos) << Statuses()[0].reason;
    EXPECT_NE(JournalNotice(Statuses()[0]).find("Die Zählung läuft weiter"), std::string::npos);
    rows.push_back(Passage(3, 3));
    writer.Append(rows.back());

    std::filesystem::remove(blocker);
    ASSERT_TRUE(WaitFor([&] { return All().size() == rows.size(); }));
    EXPECT_EQ(All(), rows);
    ASSERT_TRUE(writer.Stop());
    ASSERT_EQ(Statuses().size(), 2u) << "one report when it stopped, one when it went on";
    EXPECT_TRUE(Statuses()[1].writing);

    // A lock held by another program: the rows wait for it, then arrive.
    JournalWriter again(Options());
    SqliteConnection other(file, SqliteConnection::Mode::ReadWrite);
    other.Exec("BEGIN EXCLUSIVE");
    rows.push_back(Passage(4, 4));
    again.Append(rows.back());
    ASSERT_TRUE(WaitFor([&] { return Statuses().size() == 3; }));
    EXPECT_NE(Statuses()[2].reason.find("sperrt"), std::string::npos) << Statuses()[2].reason;
    other.Exec("COMMIT");
    ASSERT_TRUE(WaitFor([&] { return All().size() == rows.size(); }));
    EXPECT_EQ(reader.LastRow(), rows.back());
}

TEST_F(JournalWriterTest, DamagedOrForeignFileIsMovedAsideUntouched)
{
    // Damaged, another program's, and one marked as ours without our table.
    for (const char *foreignSql : {"", "CREATE TABLE kunden (name TEXT); INSERT INTO kunden VALUES ('Meier')",
                                   "CREATE TABLE kunden (name TEXT); PRAGMA application_id = 1347310674;"
                                   " PRAGMA user_version = 1"}) {
        std::filesystem::remove_all(file.parent_path());
        std::filesystem::create_directories(file.parent_path());
        if (!*foreignSql) {
            std::ofstream(file, std::ios::binary) << std::string(3000, 'x');
        } else {
            SqliteConnection foreign(file, SqliteConnection::Mode::ReadWrite);
            foreign.Exec(foreignSql);
        }
        const std::string before = Contents(file);
        EXPECT_THROW(reader.LastRow(), JournalError);
        statuses.clear();

        JournalWriter writer(Options());
        writer.Append(Passage(1, 1));
        ASSERT_TRUE(writer.Stop());
        ASSERT_EQ(Statuses().size(), 1u);
        const auto status = Statuses()[0];
        EXPECT_TRUE(status.writing);
        EXPECT_EQ(status.setAside.parent_path(), file.parent_path());
        EXPECT_EQ(status.setAside.filename().string().rfind("journal.sqlite3.defekt-", 0), 0u) << status.setAside;
        EXPECT_EQ(Contents(status.setAside), before) << "kept as it was";
        EXPECT_NE(JournalNotice(status).find(status.setAside.string()), std::string::npos);
        EXPECT_EQ(All(), std::vector<JournalRow>{Passage(1, 1)});
    }
}

TEST_F(JournalWriterTest, AJournalOfANewerVersionStaysInPlaceUnwritten)
{
    {
        JournalWriter writer(Options());
        writer.Append(Passage(1, 1));
        ASSERT_TRUE(writer.Stop());
    }
    SqliteConnection(file, SqliteConnection::Mode::ReadWrite).Exec("PRAGMA user_version = 3");
    const std::string before = Contents(file);
    JournalWriter writer(Options());
    writer.Append(Passage(2, 2));
    ASSERT_TRUE(WaitFor([&] { return !Statuses().empty(); }));
    EXPECT_NE(Statuses()[0].reason.find("neueren Programmversion"), std::string::npos) << Statuses()[0].reason;
    EXPECT_FALSE(writer.Stop());
    EXPECT_EQ(writer.TakeUnwritten(), std::deque<JournalRow>{Passage(2, 2)});
    EXPECT_EQ(Contents(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1) << "not moved aside";
}

TEST_F(JournalWriterTest, DeletesRowsOlderThanTheKeptDaysWhenItOpens)
{
    const auto today = sys_days(LocalTimeAt(system_clock::now()).date);
    std::vector<JournalRow> rows;
    for (const int daysAgo : {500, 401, 400, 0})
        rows.push_back(Row(sys_seconds(today - days(daysAgo) + hours(12)), 0, kIn, JournalChange::Up, daysAgo));
    {
        JournalWriter writer(Options());
        for (const auto &row : rows)
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());
    }
    JournalWriter writer(Options(400));
    ASSERT_TRUE(writer.Stop());
    EXPECT_EQ(All(), (std::vector<JournalRow>{rows[2], rows[3]}));
}

} // namespace
