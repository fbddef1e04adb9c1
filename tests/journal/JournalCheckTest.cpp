#include "JournalTestSupport.h"

#include "journal/JournalCheck.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "journal/SqliteConnection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono;
using Outcome = JournalCheck::Outcome;
using Why = JournalCheck::Why;

constexpr auto kIn = static_cast<std::uint16_t>(HallSource::In);

// 10:0<n> on 9 December 2025 at +01:00, the n-th passage.
JournalRow Passage(int n)
{
    return Row(sys_days(year(2025) / December / 9) + hours(10) + minutes(n), 60, kIn, JournalChange::Up, n);
}

class JournalCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SqliteShell(":memory:", "SELECT 1"))
            GTEST_SKIP() << "the sqlite3 shell (Debian package sqlite3) is not installed";
    }

    void Write(const std::vector<JournalRow> &rows, int keepDays = 100000)
    {
        JournalWriter::Options options;
        options.file = file;
        options.keepDays = keepDays;
        JournalWriter writer(options);
        for (const auto &row : rows)
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());
    }

    // The journal as it was after Write, edited by sql.
    JournalCheck Edited(const std::string &sql)
    {
        std::filesystem::copy_file(original, file, std::filesystem::copy_options::overwrite_existing);
        EXPECT_TRUE(SqliteShell(file, sql)) << sql;
        return CheckJournal(file);
    }

    TempFolder temp;
    std::filesystem::path file = temp.Path() / "journal.sqlite3";
    std::filesystem::path original = temp.Path() / "original.sqlite3";
};

TEST_F(JournalCheckTest, EachEditWithTheShellIsNamedAtItsRow)
{
    std::vector<JournalRow> rows;
    for (int n = 1; n <= 6; ++n)
        rows.push_back(Passage(n));
    Write(rows);
    EXPECT_EQ(JournalCheckText(CheckJournal(file)),
              "Journal unverändert seit 2025-12-09T11:01:00+01:00 (6 Einträge bis 2025-12-09T11:06:00+01:00)");
    std::filesystem::copy_file(file, original);

    struct Edit {
        const char *sql;
        Why why;
        std::int64_t id;
    };
    for (const auto &[sql, why, id] : std::vector<Edit>{
             {"UPDATE changes SET count = 9 WHERE id = 3", Why::Changed, 3},
             {"UPDATE changes SET count = 0 WHERE id = 1", Why::ChangedOrStart, 1},
             {"DELETE FROM changes WHERE id = 4", Why::Deleted, 5},
             {"DELETE FROM changes WHERE id IN (1, 2)", Why::Deleted, 3},
             // Renumbered to close the gap: the id is part of the value.
             {"DELETE FROM changes WHERE id = 4; UPDATE changes SET id = 4 WHERE id = 5", Why::Changed, 4},
             {"INSERT INTO changes (utc_ms, utc_offset_s, source, change, count, capacity)"
              " SELECT utc_ms + 1, utc_offset_s, source, change, count + 1, capacity FROM changes WHERE id = 6",
              Why::Inserted, 7},
             {"INSERT INTO changes SELECT 0, utc_ms - 1, utc_offset_s, source, change, 1, capacity, hash"
              " FROM changes WHERE id = 1",
              Why::Inserted, 0},
             {"UPDATE chain SET start = randomblob(32)", Why::ChangedOrStart, 1},
             {"DELETE FROM chain", Why::StartMissing, 1},
             {"DROP TABLE chain", Why::StartMissing, 1},
         }) {
        const JournalCheck check = Edited(sql);
        ASSERT_EQ(check.outcome, Outcome::Changed) << sql;
        EXPECT_EQ(check.why, why) << sql;
        EXPECT_EQ(check.id, id) << sql;
    }
    // Declaring every row one from before check values vouches for none.
    EXPECT_EQ(Edited("UPDATE chain SET unhashed_id = 99; UPDATE changes SET count = 9 WHERE id = 3").outcome,
              Outcome::NotCheckable);
    EXPECT_EQ(JournalCheckText(Edited("UPDATE changes SET count = 9 WHERE id = 3")),
              "Journal verändert: Eintrag Nr. 3 vom 2025-12-09T11:03:00+01:00 wurde geändert.");

    // The writer goes on after an edit; the check still names the edited row.
    Edited("UPDATE changes SET count = 9 WHERE id = 3");
    Write({Passage(7)});
    EXPECT_EQ(CheckJournal(file).id, 3);
    // Without the start value the writer still writes: nothing is lost.
    Edited("DROP TABLE chain");
    Write({Passage(7)});
    EXPECT_EQ(JournalReader(file).Rows(std::nullopt, std::nullopt).size(), 7u);
    EXPECT_EQ(CheckJournal(file).why, Why::StartMissing);
}

TEST_F(JournalCheckTest, ExpiryKeepsTheChainCheckableFromTheFirstRowKept)
{
    const auto today = sys_days(LocalTimeAt(system_clock::now()).date);
    const auto daysAgo = [&](int days, int count) {
        return Row(sys_seconds(today - std::chrono::days(days) + hours(12)), 0, kIn, JournalChange::Up, count);
    };
    // The third row's clock was set back: it stays until the row before it goes.
    Write({daysAgo(500, 1), daysAgo(450, 2), daysAgo(300, 3), daysAgo(420, 4), daysAgo(100, 5)});
    EXPECT_EQ(JournalReader(file).ExpiringRows(400, LocalTimeAt(system_clock::now()).date).rows, 2);
    Write({}, 400);
    JournalCheck check = CheckJournal(file);
    EXPECT_EQ(check.outcome, Outcome::Unchanged) << JournalCheckText(check);
    EXPECT_EQ(check.rows, 3);
    EXPECT_EQ(check.first.count, 3);

    // Everything expires: the next row builds on the last one deleted.
    Write({}, 50);
    EXPECT_EQ(CheckJournal(file).outcome, Outcome::NotCheckable);
    Write({daysAgo(0, 6)}, 50);
    check = CheckJournal(file);
    EXPECT_EQ(check.outcome, Outcome::Unchanged) << JournalCheckText(check);
    EXPECT_EQ(check.rows, 1);

    // The oldest row kept, deleted by hand, is named by the one after it.
    Write({daysAgo(0, 7)});
    ASSERT_TRUE(SqliteShell(file, "DELETE FROM changes WHERE id = (SELECT min(id) FROM changes)"));
    check = CheckJournal(file);
    EXPECT_EQ(check.why, Why::Deleted);
    EXPECT_EQ(check.row.count, 7);
}

TEST_F(JournalCheckTest, AJournalOfTheFirstVersionIsUpgradedInPlaceAndItsRowsCovered)
{
    // As the first version made it; its oldest rows had expired (ids 1-4)
    // and one in the middle too.
    {
        SqliteConnection db(file, SqliteConnection::Mode::ReadWrite);
        db.Exec("CREATE TABLE changes (id INTEGER PRIMARY KEY, utc_ms INTEGER NOT NULL,"
                " utc_offset_s INTEGER NOT NULL, source INTEGER NOT NULL, change INTEGER NOT NULL,"
                " count INTEGER NOT NULL, capacity INTEGER NOT NULL);"
                "CREATE INDEX changes_by_local_time ON changes (utc_ms + utc_offset_s * 1000);"
                "CREATE INDEX changes_daily_resets ON changes (id) WHERE source = 6;"
                "PRAGMA application_id = 1347310674; PRAGMA user_version = 1;");
        for (const int n : {5, 6, 8})
            db.Exec(("INSERT INTO changes VALUES (" + std::to_string(n) + ", "
                     + std::to_string(Passage(n).time.time_since_epoch().count()) + ", 3600, 3, 1, "
                     + std::to_string(n) + ", 5)").c_str());
    }
    const std::vector<JournalRow> older = {Passage(5), Passage(6), Passage(8)};
    EXPECT_EQ(JournalReader(file).Rows(std::nullopt, std::nullopt), older) << "read before the upgrade";
    JournalCheck check = CheckJournal(file);
    EXPECT_EQ(check.outcome, Outcome::NotCheckable);
    EXPECT_NE(check.problem.find("älteren Programmversion"), std::string::npos) << check.problem;

    // The first rows written since are today's: the older ones expire below.
    const auto noon = sys_seconds(sys_days(LocalTimeAt(system_clock::now()).date) + hours(12));
    const std::vector<JournalRow> today = {Row(noon, 0, kIn, JournalChange::Up, 9),
                                           Row(noon, 0, kIn, JournalChange::Up, 10)};
    Write(today);
    std::vector<JournalRow> all = older;
    all.insert(all.end(), today.begin(), today.end());
    EXPECT_EQ(JournalReader(file).Rows(std::nullopt, std::nullopt), all) << "no row lost";
    check = CheckJournal(file);
    EXPECT_EQ(check.outcome, Outcome::Unchanged) << JournalCheckText(check);
    EXPECT_EQ(check.rows, 5);
    EXPECT_EQ(check.first, Passage(5));
    std::filesystem::copy_file(file, original);

    // An older row, changed or deleted, is answered for by the first row written since.
    for (const char *sql : {"UPDATE changes SET count = 1 WHERE id = 6", "DELETE FROM changes WHERE id = 5"}) {
        check = Edited(sql);
        EXPECT_EQ(check.why, Why::ChangedOrOlder) << sql;
        EXPECT_EQ(check.id, 9) << sql;
    }
    EXPECT_EQ(Edited("DELETE FROM changes WHERE id = 8").why, Why::Deleted);

    // Expiring the older rows moves the start past them, chained through them.
    std::filesystem::copy_file(original, file, std::filesystem::copy_options::overwrite_existing);
    Write({}, 1);
    check = CheckJournal(file);
    EXPECT_EQ(check.outcome, Outcome::Unchanged) << JournalCheckText(check);
    EXPECT_EQ(check.first, today[0]);
}

} // namespace
