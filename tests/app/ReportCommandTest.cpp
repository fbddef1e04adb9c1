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

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ReportCommand, WritesAWeeksFiguresBesideTheRunningProgram)
{
    Program program;
    {
        JournalWriter::Options options;
        options.file = program.JournalFile().toStdString();
        options.keepDays = 0;
        JournalWriter writer(options);
        const auto source = [](HallSource of) { return static_cast<std::uint16_t>(of); };
        for (const JournalRow &row :
             {Row(InMarch(8, 20), 60, source(HallSource::In), JournalChange::Up, 1, 2),
              Row(InMarch(9, 8), 60, source(HallSource::Start), JournalChange::Resumed, 1, 2),
              Row(InMarch(9, 9, 10), 60, source(HallSource::EntryBarrier), JournalChange::Up, 2, 2),
              Row(InMarch(9, 9, 40), 60, source(HallSource::ExitBarrier), JournalChange::Down, 1, 2),
              Row(InMarch(11, 10, 30), 60, source(HallSource::Out), JournalChange::Down, 0, 2)})
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());
    }
    // The running program keeps the rows of 2020.
    WriteFile(program.SettingsFile(), "[General]\nJournalDays=3660\nHall=Stadthalle Nord\nWarnPercent=50\n");
    auto running = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return program.Holds(*running); }));
    const QString settings = program.Settings();

    const Finished week = Command(program, {"--report", "week", "--date", "2020-03-12"});
    EXPECT_EQ(week.exitCode, 0) << week.err.toStdString();
    for (const char *line : {"\xEF\xBB\xBFKennzahl;Wert\r\nHalle;Stadthalle Nord\r\n", "\r\nErster Tag;2020-03-09\r\n",
                             "\r\nEintritte gesamt;1\r\n", "\r\nAustritte gesamt;2\r\n", "\r\nStand zu Beginn;1\r\n",
                             "\r\nStarts mit übernommenem Stand;1\r\n", "\r\nHöchststand;2\r\n",
                             "\r\nHöchststand erreicht;2020-03-09T09:10:00+01:00\r\n",
                             "\r\nZeit an oder über der Kapazität;0:30:00\r\n",
                             "\r\nZeit fast voll (ab 50 % der Kapazität);", "\r\n2020-03-10;Di;ja;0;0;1;0:00:00\r\n",
                             "\r\n2020-03-12;Do;nein;;;;\r\n"})
        EXPECT_TRUE(week.out.contains(line)) << line << " in " << week.out.toStdString();

    // Into a file: the same text, also through a link to the user's own file.
    const QString file = program.Path("berichte/woche.csv");
    QDir().mkpath(program.Path("berichte"));
    WriteFile(program.Path("berichte/alt.csv"), "alt");
    ASSERT_TRUE(QFile::link(program.Path("berichte/alt.csv"), file));
    const Finished saved = Command(program, {"--report", "week", "--date", "2020-03-12", "--csv", file});
    EXPECT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_TRUE(saved.out.isEmpty());
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_EQ(ReadAll(program.Path("berichte/alt.csv")), week.out);

    // A fifo in the file's place: refused at once and left.
    const QString fifo = program.Path("berichte/fifo.csv");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const Finished refused = Command(program, {"--report", "day", "--date", "2020-03-09", "--csv", fifo});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("keine gewöhnliche Datei")) << refused.err.toStdString();
    struct stat node {};
    EXPECT_TRUE(stat(QFile::encodeName(fifo).constData(), &node) == 0 && S_ISFIFO(node.st_mode));
    // A folder that is missing: nothing written, nothing left.
    const Finished missing =
        Command(program, {"--report", "month", "--csv", program.Path("fehlt/monat.csv")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("monat.csv")) << missing.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(program.Path("fehlt")));

    for (const QStringList &wrong :
         {QStringList{"--report", "year"}, QStringList{"--report"}, QStringList{"--date", "2020-03-09"},
          QStringList{"--report", "day", "--date", "2020-02-30"},
          QStringList{"--report", "day", "--pdf", "a.pdf", "--csv", "a.csv"},
          QStringList{"--report", "day", "--export-csv"}}) {
        const Finished bad = Command(program, wrong);
        EXPECT_EQ(bad.exitCode, 2) << wrong.join(' ').toStdString();
        EXPECT_TRUE(bad.out.isEmpty());
        EXPECT_TRUE(bad.err.contains("--help")) << bad.err.toStdString();
    }
    EXPECT_TRUE(Command(program, {"--help"}).out.contains("--report day|week|month"));

    EXPECT_TRUE(program.Holds(*running));
    EXPECT_EQ(program.Settings(), settings);
    running->terminate();
    ASSERT_TRUE(running->waitForFinished(10000));

    // Without the hall's name: "Halle"; a journal that is none: its reason, and 1.
    WriteFile(program.SettingsFile(), "[General]\n");
    EXPECT_TRUE(Command(program, {"--report", "day"}).out.contains("\r\nHalle;Halle\r\n"));
    WriteFile(program.JournalFile(), "kein Tagesjournal");
    const Finished unreadable = Command(program, {"--report", "day"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_TRUE(unreadable.out.isEmpty());
    EXPECT_TRUE(unreadable.err.contains("Tagesjournal")) << unreadable.err.toStdString();
}

} // namespace
