#include "support/ProgramProcess.h"
#include "support/Wait.h"

#include "journal/JournalTestSupport.h"
#include "journal/JournalWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace std::chrono;

// A day of March 2020 at a local time of CET (UTC+1).
sys_seconds InMarch(unsigned day, int hour, int minute = 0)
{
    return sys_days(year(2020) / std::chrono::March / std::chrono::day(day)) + hours(hour - 1) + minutes(minute);
}

TEST(ExportCommand, PrintsTheJournalWithoutADisplayBesideTheRunningProgram)
{
    Program program;
    {
        JournalWriter::Options options;
        options.file = program.JournalFile().toStdString();
        options.keepDays = 0;
        JournalWriter writer(options);
        for (const JournalRow &row :
             {Row(InMarch(10, 8), 60, static_cast<std::uint16_t>(HallSource::Start), JournalChange::Started, 0),
              Row(InMarch(10, 9, 10), 60, static_cast<std::uint16_t>(HallSource::EntryBarrier), JournalChange::Up, 1),
              Row(InMarch(11, 10, 30), 60, static_cast<std::uint16_t>(HallSource::ExitBarrier), JournalChange::Down, 0)})
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());
    }
    // Keys of later versions, keys of no version and other groups survive the program's rewrites.
    WriteFile(program.SettingsFile(), "; Kommentar\n[General]\nJournalDays=3660\nUnbekannt=ja\n\n[Andere]\nX=1\n");
    auto running = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return program.Holds(*running); }));
    const QString settings = program.Settings();

    const Finished all = Command(program, {"--export-csv", "--to", "2020-12-31"});
    EXPECT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, "\xEF\xBB\xBFZeit;Quelle;Änderung;Stand;Kapazität\r\n"
                       "2020-03-10T08:00:00+01:00;Start;Neubeginn;0;5\r\n"
                       "2020-03-10T09:10:00+01:00;Lichtschranke Eingang;+1;1;5\r\n"
                       "2020-03-11T10:30:00+01:00;Lichtschranke Ausgang;-1;0;5\r\n");
    const Finished day = Command(program, {"--export-csv", "--from", "2020-03-11", "--to", "2020-03-11"});
    EXPECT_EQ(day.exitCode, 0);
    EXPECT_EQ(day.out.split('\n').size(), 3) << day.out.toStdString();
    EXPECT_TRUE(day.out.contains("2020-03-11T10:30:00+01:00;"));
    // The running program's own start row, today, once it is written.
    EXPECT_TRUE(WaitUntil([&] {
        return Command(program, {"--export-csv"}).out.count(";Start;Neubeginn;0;5\r\n") == 2;
    }));

    for (const QStringList &wrong : {QStringList{"--export-csv", "--from", "2020-02-30"},
                                     QStringList{"--export-csv", "--from", "2020-03-11", "--to", "2020-03-10"},
                                     QStringList{"--bogus"}}) {
        const Finished refused = Command(program, wrong);
        EXPECT_EQ(refused.exitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
        EXPECT_TRUE(refused.err.contains("--help")) << refused.err.toStdString();
    }
    const Finished help = Command(program, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--export-csv") && help.out.contains("Rückgabewerte"));

    EXPECT_TRUE(program.Holds(*running));
    EXPECT_EQ(program.Settings(), settings);
    running->terminate();
    ASSERT_TRUE(running->waitForFinished(10000));
    EXPECT_EQ(running->exitCode(), 0);
    const QString stored = program.Settings();
    for (const char *kept : {"; Kommentar\n", "\nJournalDays=3660\n", "\nUnbekannt=ja\n", "\n[Andere]\nX=1\n",
                             "\nMaxCounter=5\n"})
        EXPECT_TRUE(stored.contains(kept)) << kept << " in " << stored.toStdString();

    // Once the program is gone, an export leaves no log beside the journal.
    EXPECT_EQ(Command(program, {"--export-csv"}).exitCode, 0);
    for (const char *companion : {"-wal", "-shm"})
        EXPECT_FALSE(QFile::exists(program.JournalFile() + companion)) << companion;

    // A file that is no journal: its reason, and 1.
    WriteFile(program.JournalFile(), "kein Tagesjournal");
    const Finished unreadable = Command(program, {"--export-csv"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_TRUE(unreadable.out.isEmpty());
    EXPECT_TRUE(unreadable.err.contains("Tagesjournal")) << unreadable.err.toStdString();
    // A fifo: refused at once, not waited on.
    QFile::remove(program.JournalFile());
    ASSERT_EQ(mkfifo(QFile::encodeName(program.JournalFile()).constData(), 0600), 0);
    const Finished fifo = Command(program, {"--export-csv"});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_TRUE(fifo.err.contains("keine gewöhnliche Datei")) << fifo.err.toStdString();
}

TEST(VerifyCommand, NamesTheEditedRowAndTellsByItsExitCode)
{
    Program program;
    const Finished none = Command(program, {"--verify-journal"});
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_TRUE(none.err.contains("keine Einträge")) << none.err.toStdString();

    // Beside the running program, which writes its start row.
    auto running = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return program.Holds(*running); }));
    Finished intact;
    ASSERT_TRUE(WaitUntil([&] { return (intact = Command(program, {"--verify-journal"})).exitCode == 0; }))
        << intact.err.toStdString();
    EXPECT_TRUE(intact.out.startsWith("Journal unverändert seit ") && intact.out.contains(" (1 Eintrag bis "))
        << intact.out.toStdString();
    EXPECT_TRUE(program.Holds(*running));
    running->terminate();
    ASSERT_TRUE(running->waitForFinished(10000));

    const std::string file = program.JournalFile().toStdString();
    ASSERT_TRUE(SqliteShell(file, "UPDATE changes SET count = 3 WHERE id = 1"));
    const Finished changed = Command(program, {"--verify-journal"});
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_TRUE(changed.out.startsWith("Journal verändert: Eintrag Nr. 1 vom ")) << changed.out.toStdString();

    const Finished both = Command(program, {"--verify-journal", "--export-csv"});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_TRUE(both.err.contains("--verify-journal")) << both.err.toStdString();
    EXPECT_TRUE(Command(program, {"--help"}).out.contains("--verify-journal"));
}

} // namespace
