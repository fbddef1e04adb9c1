#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/DailyResetTimer.h"
#include "hall/Hall.h"
#include "hall/LocalTime.h"
#include "journal/DayJournal.h"
#include "journal/JournalCheck.h"
#include "journal/JournalTestSupport.h"
#include "journal/SqliteConnection.h"
#include "serial/TComPort.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace std::chrono;

// A moment whose local date has no change of summer time, so that the tests
// run alike in any time zone.
const system_clock::time_point kNoon = sys_days(year(2026) / March / 10) + hours(12);

class DayJournalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test.journalFile = journal;
        test.now = [this] { return clock; };
        test.ports = {2};
    }

    void advanced(std::initializer_list<std::pair<QString, QVariant>> values)
    {
        test.settings.keyExists = true;
        for (const auto &[name, value] : values)
            test.settings.values[name] = value;
    }

    // Sets the simulated lines and waits until the program acted on them.
    void lines(std::uint32_t levels)
    {
        test.lines->SetLines(2, levels);
        ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == levels; }));
    }

    QString digits() { return test.main().Label1->text(); }

    TempFolder folder;
    std::filesystem::path journal = folder.Path() / "Vendaro" / "pontra" / "journal.sqlite3";
    system_clock::time_point clock = kNoon;
    TestApplication test;
};

TEST_F(DayJournalTest, KeysAndBarriersAreRecordedWithTheirCauses)
{
    test.Start();
    TFormMain &main = test.main();
    for (QAction *key : {main.Rein1, main.Rein1, main.Rein1, main.Raus1, main.Reset1})
        key->trigger();
    // Both barriers count when their line goes off again.
    lines(SerialDevice::MsDsrOn);
    lines(0);
    lines(SerialDevice::MsCtsOn);
    lines(0);
    EXPECT_EQ(digits(), "0");
    // Checked while the program writes, each row chained to the one before.
    ASSERT_TRUE(WaitUntil([&] { return CheckJournal(journal).rows == 8; }));
    EXPECT_EQ(CheckJournal(journal).outcome, JournalCheck::Outcome::Unchanged);
    test.Stop();

    EXPECT_EQ(ExportedRows(journal),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "REIN;+1;3", "RAUS;-1;2",
                           "RESET;Rücksetzung;0", "Lichtschranke Eingang;+1;1", "Lichtschranke Ausgang;-1;0"}));
}

TEST_F(DayJournalTest, TheDailyResetComesOnceADayAtItsMinuteAndIsRecorded)
{
    const LocalTime local = LocalTimeAt(kNoon);
    const auto at = floor<minutes>(local.timeOfDay) + minutes(1);
    advanced({{"DailyReset", DailyResetText(at)}});
    test.Start();
    DailyResetTimer &reset = test.app().DailyReset();
    EXPECT_TRUE(reset.Checking());
    test.main().bInClick();
    test.main().bInClick();

    const auto minuteLater = kNoon + (at - local.timeOfDay);
    for (const auto moment : {kNoon, minuteLater - seconds(1), minuteLater}) {
        clock = moment;
        reset.Check();
    }
    EXPECT_EQ(digits(), "0");
    test.main().bInClick();
    // Later that minute, and after the clock was set back across it.
    for (const auto moment : {minuteLater + seconds(30), kNoon, minuteLater + seconds(5)}) {
        clock = moment;
        reset.Check();
    }
    EXPECT_EQ(digits(), "1");
    test.Stop();
    // Off at that minute the next day: the start makes up for it, once.
    clock = minuteLater + days(1) + minutes(5);
    test.Start();
    test.app().DailyReset().Check();
    test.main().bInClick();
    test.Stop();

    EXPECT_EQ(ExportedRows(journal),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "Tagesreset;Rücksetzung;0", "REIN;+1;1",
                           "Start;Neubeginn;0", "Tagesreset;Rücksetzung;0", "REIN;+1;1"}));
}

TEST_F(DayJournalTest, ResumeCountTakesTheLastCountOfTheSameDayOnly)
{
    test.Start();
    for (int i = 0; i < 3; ++i)
        test.main().bInClick();
    test.Stop();

    // Without it, every start begins at 0.
    clock = kNoon + minutes(1);
    test.Start();
    EXPECT_EQ(digits(), "0");
    test.main().bInClick();
    test.main().bInClick();
    test.Stop();

    advanced({{"ResumeCount", 1}});
    clock = kNoon + minutes(2);
    test.Start();
    EXPECT_EQ(digits(), "2");
    EXPECT_EQ(test.state().VisitorCount, 2);
    test.Stop();

    clock = kNoon + days(1);
    test.Start();
    EXPECT_EQ(digits(), "0");
    test.Stop();

    EXPECT_EQ(ExportedRows(journal).mid(4),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "Start;Stand übernommen;2",
                           "Start;Neubeginn;0"}));
}

TEST_F(DayJournalTest, AShorterKeepingTimeDeletesRowsOnlyOnceTheOperatorAgreed)
{
    // The writer deletes by the system's clock: the rows lie before it.
    const auto now = system_clock::now();
    clock = now - days(100);
    test.Start();
    test.main().bInClick();
    test.Stop();
    clock = now - days(10);
    test.Start();
    test.Stop();

    advanced({{"JournalDays", 30}});
    clock = now;
    for (const bool agreed : {false, true}) {
        SCOPED_TRACE(agreed);
        test.answer = agreed;
        test.Start();
        ASSERT_TRUE(WaitUntil([&] { return test.questions.size() == 1; }));
        EXPECT_TRUE(test.questions.first().contains("nur noch 30 Tage aufbewahren (JournalDays, bisher 400 Tage). "
                                                    "Dabei würden 2 Einträge von 1 Tag gelöscht."))
            << test.questions.first().toStdString();
        test.Stop();
        test.questions.clear();
        // Each start adds its row; "Nein" keeps the two of 100 days ago.
        EXPECT_EQ(ExportedRows(journal).size(), agreed ? 3 : 4);
    }
    EXPECT_EQ(test.settings.values["JournalDaysAgreed"], 30);
    // Asked once: the next start keeps 30 days without a word, and a longer
    // time needs no question either.
    advanced({{"JournalDays", 60}});
    test.Start();
    QCoreApplication::processEvents();
    test.Stop();
    EXPECT_TRUE(test.questions.isEmpty());
    EXPECT_EQ(test.settings.values["JournalDaysAgreed"], 60);
}

TEST_F(DayJournalTest, AJournalThatCannotBeWrittenIsToldOnceAndTheCountingGoesOn)
{
    // A file where its folder should be.
    std::ofstream(folder.Path() / "Vendaro") << "no folder";
    test.Start();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    EXPECT_TRUE(test.notices.first().startsWith("Das Tagesjournal kann nicht geschrieben werden: der Ordner "))
        << test.notices.first().toStdString();
    for (int i = 0; i < 3; ++i)
        test.main().bInClick();
    test.main().bOutClick();
    EXPECT_EQ(digits(), "2");
    EXPECT_TRUE(test.app().Journal().Running());
    EXPECT_EQ(test.notices.size(), 1);
}

// Another program holds the journal's lock for the whole run: the rows go
// beside it at the end, and the message at the end says where.
TEST_F(DayJournalTest, RowsStillUnwrittenAtTheEndAreSavedBesideTheJournal)
{
    test.Start();
    ASSERT_TRUE(WaitUntil([&] { return ExportedRows(journal).size() == 1; }));
    test.Stop();
    SqliteConnection other(journal, SqliteConnection::Mode::ReadWrite);
    other.Exec("BEGIN EXCLUSIVE");
    test.Start();
    for (int i = 0; i < 3; ++i)
        test.main().bInClick();
    test.Stop();
    other.Exec("COMMIT");

    ASSERT_EQ(test.errors.size(), 1);
    const QString saved = test.errors.first().section(u'„', 1).section(u'“', 0, 0);
    EXPECT_TRUE(test.errors.first().startsWith("4 Einträge ließen sich bis zum Ende nicht ins Tagesjournal schreiben. "
                                               "Sie stehen in „"))
        << test.errors.first().toStdString();
    EXPECT_EQ(std::filesystem::path(saved.toStdString()).parent_path(), journal.parent_path());
    QFile csv(saved);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 5) << "the export's header and the rows";
    EXPECT_TRUE(lines.last().endsWith(";REIN;+1;3;5")) << lines.last().toStdString();
}

// The database is opened once the main window is on the screen: the changes
// before that are held and written in their order, also by a run that ends
// before it.
TEST_F(DayJournalTest, ChangesBeforeTheMainWindowIsPaintedReachTheJournalInTheirOrder)
{
    for (const bool painted : {true, false}) {
        SCOPED_TRACE(painted);
        test.Start();
        test.main().show();
        for (QAction *key : {test.main().Rein1, test.main().Rein1, test.main().Raus1})
            key->trigger();
        EXPECT_TRUE(test.app().Journal().Running());
        EXPECT_FALSE(test.app().Journal().Writing());
        if (painted) {
            ASSERT_TRUE(WaitUntil([&] { return test.app().Journal().Writing(); }));
            test.main().Rein1->trigger();
        }
        test.Stop();
    }
    EXPECT_TRUE(test.errors.isEmpty()) << test.errors.join('\n').toStdString();
    EXPECT_EQ(ExportedRows(journal),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "RAUS;-1;1", "REIN;+1;2",
                           "Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "RAUS;-1;1"}));
}

// A new keeping time before the writer starts keeps what is held; no
// journal any more writes it, as a running writer would have.
TEST(DayJournalBeforeItsWriter, HeldRowsOutlastANewKeepingTimeAndTheJournalsEnd)
{
    TempFolder folder;
    const std::filesystem::path file = folder.Path() / "journal.sqlite3";
    QStringList notices;
    Hall hall(10);
    DayJournal journal(hall, file, [&](const QString &notice) { notices << notice; });
    journal.SetKeepDays(400);
    hall.Apply({HallSource::Start, kNoon});
    hall.Apply({HallSource::In, kNoon});
    journal.SetKeepDays(30, false);
    hall.Apply({HallSource::Out, kNoon});
    EXPECT_FALSE(journal.Writing());
    journal.SetKeepDays(0);
    hall.Apply({HallSource::In, kNoon});
    EXPECT_FALSE(journal.Running());
    EXPECT_TRUE(notices.isEmpty()) << notices.join('\n').toStdString();
    EXPECT_EQ(ExportedRows(file), QStringList({"Start;Neubeginn;0", "REIN;+1;1", "RAUS;-1;0"}));
}

} // namespace
