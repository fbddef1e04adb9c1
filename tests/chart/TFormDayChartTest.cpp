#include "chart/ChartTestDay.h"
#include "chart/DayCharts.h"
#include "chart/DayLoader.h"
#include "chart/TFormDayChart.h"
#include "hall/Hall.h"
#include "journal/JournalCsv.h"
#include "journal/JournalReader.h"
#include "journal/JournalTestSupport.h"
#include "journal/JournalWriter.h"
#include "support/Printers.h"
#include "support/Wait.h"

#include <QBarSet>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>

namespace {

using namespace std::chrono;

// A journal the test fills by hand; the reads of one day can be held until
// let go.
struct FakeJournal {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<sys_days, std::vector<JournalRow>> days;
    std::optional<sys_days> held;
    int reads = 0;

    TFormDayChart::DayReader Reader()
    {
        return [this](year_month_day day) {
            std::unique_lock lock(mutex);
            ++reads;
            changed.wait(lock, [&] { return held != sys_days(day); });
            return days[sys_days(day)];
        };
    }
    void Hold(std::optional<sys_days> day)
    {
        std::lock_guard lock(mutex);
        held = day;
        changed.notify_all();
    }
    int Reads()
    {
        std::lock_guard lock(mutex);
        return reads;
    }
};

// Shows a window on the day of now, loaded.
void OpenLoaded(TFormDayChart &window, sys_seconds now)
{
    window.Now = [now] { return now; };
    window.Open();
    ASSERT_TRUE(WaitUntil([&] { return !window.Loading(); }));
}

TEST(TFormDayChart, ShowsTheDaysStepLineHourlyBarsPeakAndTotals)
{
    FakeJournal journal;
    journal.days[sys_days(year(2026) / March / 10)] = kDay;
    TFormDayChart window(journal.Reader());
    OpenLoaded(window, March10(12) + days(2));
    window.DayEdit->setDate(QDate(2026, 3, 10));
    ASSERT_TRUE(WaitUntil([&] { return window.Data().Rows().size() == kDay.size(); }));

    const qreal dayEnd = static_cast<qreal>(QDate(2026, 3, 11).startOfDay().toMSecsSinceEpoch());
    const auto t = [](std::size_t i) { return Ms(kDay[i].time); };
    const QList<QPointF> steps = {{t(0), 0}, {t(1), 0}, {t(1), 1}, {t(2), 1}, {t(2), 2}, {t(3), 2}, {t(3), 3},
                                  {t(4), 3}, {t(4), 2}, {t(5), 2}, {t(5), 3}, {t(6), 3}, {t(6), 0}, {dayEnd, 0}};
    EXPECT_EQ(window.Charts->OccupancyLine->points(), steps);
    const QList<QPointF> capacity = {{t(0), 5}, {t(5), 5}, {t(5), 8}, {dayEnd, 8}};
    EXPECT_EQ(window.Charts->CapacityLine->points(), capacity);
    for (int hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(window.Charts->EntriesBars->at(hour), hour == 9 ? 2 : hour == 10 || hour == 11 ? 1 : 0) << hour;
        EXPECT_EQ(window.Charts->ExitsBars->at(hour), hour == 10 ? 1 : 0) << hour;
    }
    EXPECT_EQ(window.PeakLabel->text(), QStringLiteral("Höchststand: 3 Personen um 10:05 Uhr"));
    EXPECT_EQ(window.TotalsLabel->text(), QStringLiteral("Eintritte: 4    Austritte: 1    Rücksetzungen: 1"));
    EXPECT_TRUE(window.SaveCsvButton->isEnabled());
    EXPECT_TRUE(window.StatusLabel->isHidden());
}

TEST(TFormDayChart, OpensWithTheDayNumberToTypeAndEscapeClosesIt)
{
    FakeJournal journal;
    TFormDayChart window(journal.Reader());
    OpenLoaded(window, March10(12));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(WaitUntil([&] { return window.DayEdit->hasFocus(); }));
    // The weekday only follows the date: what is selected is the day.
    const auto *field = window.DayEdit->findChild<QLineEdit *>();
    ASSERT_TRUE(WaitUntil([&] { return field->selectedText() == "10"; })) << field->selectedText().toStdString();
    QTest::keyClicks(window.DayEdit, "12");
    EXPECT_EQ(window.DayEdit->date(), QDate(2026, 3, 12));

    QTest::keyClick(window.DayEdit, Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return !window.isVisible(); }));
    // The days typed are read on threads that use the journal: it must outlive them.
    EXPECT_TRUE(WaitUntil([&] { return window.findChild<DayLoader *>()->Idle(); }));
}

TEST(TFormDayChart, AnotherDayPickedWhileOneLoadsShowsThatDayOnly)
{
    FakeJournal journal;
    journal.days[sys_days(year(2026) / March / 10)] = kDay;
    journal.Hold(year(2026) / March / 10);
    TFormDayChart window(journal.Reader());
    window.Now = [] { return March10(15); };
    window.Open();
    EXPECT_TRUE(window.Loading());
    EXPECT_EQ(window.StatusLabel->text(), QStringLiteral("Der Tagesverlauf wird geladen …"));
    ASSERT_TRUE(WaitUntil([&] { return journal.Reads() == 1; }));

    window.DayEdit->setDate(QDate(2026, 3, 11));
    ASSERT_TRUE(WaitUntil([&] { return journal.Reads() == 2 && !window.Loading(); }));
    journal.Hold(std::nullopt);
    // The first read's result is handed back now, and dropped.
    ASSERT_TRUE(WaitUntil([&] { return window.findChild<DayLoader *>()->Idle(); }));
    EXPECT_TRUE(window.Data().Rows().empty());
    EXPECT_TRUE(window.Charts->OccupancyLine->points().isEmpty());
    EXPECT_EQ(window.StatusLabel->text(),
              QStringLiteral("Für den 11. März 2026 gibt es keine Einträge im Tagesjournal."));
    EXPECT_TRUE(window.PeakLabel->text().isEmpty());
    EXPECT_FALSE(window.SaveCsvButton->isEnabled());
}

// Hears the hall as the journal's recorder does.
struct HeardRows : HallListener {
    std::vector<JournalRow> rows;
    void HallChanged(const HallChange &change) override
    {
        rows.push_back(JournalRowOf(change, LocalTimeAt(change.time).utcOffset));
    }
};

TEST(TFormDayChart, FollowsTodaysChangesLiveAndCountsNoneTwice)
{
    // Noon of a day in the system's time zone.
    const sys_days date = year(2026) / May / 5;
    const sys_seconds noon = date + hours(12) - LocalTimeAt(date + hours(12)).utcOffset;
    FakeJournal journal;
    HeardRows heard;
    Hall hall(5);
    TFormDayChart window(journal.Reader());
    hall.AddListener(&heard);
    hall.AddListener(&window);
    const auto journalHolds = [&](std::size_t rows) {
        std::lock_guard lock(journal.mutex);
        journal.days[date].assign(heard.rows.begin(), heard.rows.begin() + static_cast<std::ptrdiff_t>(rows));
    };

    // Heard while the window was closed; the last one is not in the journal yet.
    for (const auto &[source, hoursBefore] : {std::pair{HallSource::Start, 3}, {HallSource::EntryBarrier, 2},
                                             {HallSource::EntryBarrier, 1}})
        hall.Apply({source, noon - hours(hoursBefore)});
    journalHolds(2);
    OpenLoaded(window, noon);
    EXPECT_EQ(window.Data().Rows(), heard.rows);

    // A change while it shows today is drawn at once, without a read.
    hall.Apply({HallSource::ExitBarrier, noon - minutes(30)});
    EXPECT_EQ(window.Data().Rows(), heard.rows);
    ASSERT_TRUE(WaitUntil([&] { return window.Charts->OccupancyLine->points().back() == QPointF(Ms(noon), 1); }))
        << "drawn and held until now";
    EXPECT_EQ(window.Charts->ExitsBars->at(LocalTimeAt(noon - minutes(30)).timeOfDay / hours(1)), 1);
    EXPECT_EQ(journal.Reads(), 1);

    // One heard during a read that already finds it in the journal.
    window.hide();
    journal.Hold(date);
    window.Open();
    ASSERT_TRUE(WaitUntil([&] { return journal.Reads() == 2; }));
    hall.Apply({HallSource::In, noon - minutes(20)});
    journalHolds(heard.rows.size());
    journal.Hold(std::nullopt);
    ASSERT_TRUE(WaitUntil([&] { return !window.Loading(); }));
    EXPECT_EQ(window.Data().Rows(), heard.rows);
    EXPECT_EQ(window.TotalsLabel->text(), QStringLiteral("Eintritte: 3    Austritte: 1    Rücksetzungen: 0"));
    hall.RemoveListener(&window);
}

class TFormDayChartJournal : public ::testing::Test {
protected:
    TempFolder temp;
    std::filesystem::path file = temp.Path() / "journal.sqlite3";
    JournalReader reader{file};
    TFormDayChart window{[this](year_month_day day) { return reader.Day(day); }};
};

TEST_F(TFormDayChartJournal, SavesTheShownDayAsTheExportsCsvAndSaysWhyNot)
{
    {
        JournalWriter::Options options;
        options.file = file;
        JournalWriter writer(options);
        for (const JournalRow &row : kDay) {
            writer.Append(row);
            writer.Append({row.time + days(1), row.utcOffset, row.source, row.change, row.count, row.capacity});
        }
        ASSERT_TRUE(writer.Stop());
    }
    OpenLoaded(window, March10(18));
    QString suggested;
    QString chosen = QString::fromStdString((temp.Path() / "März.csv").string());
    window.ChooseCsvFile = [&](QWidget *, const QString &path) {
        suggested = path;
        return chosen;
    };
    window.SaveCsvButton->click();
    EXPECT_FALSE(window.SaveCsvButton->isEnabled()) << "one save at a time";
    ASSERT_TRUE(WaitUntil([&] { return !window.SavingCsv(); }));
    EXPECT_TRUE(window.SaveCsvButton->isEnabled());
    EXPECT_FALSE(window.CsvProgress());
    EXPECT_TRUE(suggested.endsWith(QStringLiteral("-2026-03-10.csv"))) << suggested.toStdString();
    std::ostringstream expected;
    WriteJournalCsv(expected, kDay);
    std::ifstream saved(temp.Path() / "März.csv", std::ios::binary);
    EXPECT_EQ((std::ostringstream() << saved.rdbuf()).str(), expected.str());

    chosen = QString::fromStdString((temp.Path() / "fehlt" / "x.csv").string());
    window.SaveCsvButton->click();
    QMessageBox *box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = window.findChild<QMessageBox *>()) != nullptr; }));
    EXPECT_EQ(box->text(),
              QStringLiteral("Die Datei „%1“ lässt sich nicht speichern: den Ordner gibt es nicht.").arg(chosen));
    delete box;

    // A fifo in the file's place is neither opened (which would wait for a
    // reader) nor replaced.
    const std::filesystem::path fifo = temp.Path() / "fifo.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    chosen = QString::fromStdString(fifo.string());
    window.SaveCsvButton->click();
    ASSERT_TRUE(WaitUntil([&] { return (box = window.findChild<QMessageBox *>()) != nullptr; }));
    EXPECT_EQ(box->text(), QStringLiteral("Die Datei „%1“ lässt sich nicht speichern: an der Stelle der Datei steht "
                                          "keine gewöhnliche Datei.")
                               .arg(chosen));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

// A day of a busy hall, far more rows than are written before a cancel.
std::vector<JournalRow> BusyDay()
{
    std::vector<JournalRow> rows;
    for (int i = 0; i < 200'000; ++i)
        rows.push_back(At(March10(9) + seconds(i / 5), HallSource::In, JournalChange::Up, i, 250'000));
    return rows;
}

TEST(TFormDayChart, ACancelledCsvSaveLeavesTheFileAsItWasAndNothingBeside)
{
    TempFolder temp;
    const std::filesystem::path csv = temp.Path() / "tag.csv";
    std::ofstream(csv) << "vorher";
    TFormDayChart window{[rows = BusyDay()](year_month_day) { return rows; }};
    OpenLoaded(window, March10(22));
    window.ChooseCsvFile = [&](QWidget *, const QString &) { return QString::fromStdString(csv.string()); };
    window.SaveCsvButton->click();
    ASSERT_TRUE(window.SavingCsv());
    ASSERT_TRUE(window.CsvProgress());
    EXPECT_EQ(window.CsvProgress()->labelText(), QStringLiteral("CSV wird gespeichert …"));
    EXPECT_EQ(window.CsvProgress()->maximum(), 200'000);
    window.CsvProgress()->findChild<QPushButton *>()->click();
    ASSERT_TRUE(WaitUntil([&] { return !window.SavingCsv(); }));
    EXPECT_FALSE(window.findChild<QMessageBox *>()) << "a cancel is no failure";
    EXPECT_EQ(std::filesystem::file_size(csv), 6u) << "the file is as it was";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1);
    EXPECT_TRUE(window.SaveCsvButton->isEnabled());
}

TEST(CsvSaver, ASaverGoneWhileSavingStopsAndLeavesNoFile)
{
    TempFolder temp;
    {
        CsvSaver saver;
        ASSERT_TRUE(saver.Start(QString::fromStdString((temp.Path() / "tag.csv").string()), BusyDay()));
        EXPECT_FALSE(saver.Start(QString::fromStdString((temp.Path() / "zwei.csv").string()), {}));
    }
    EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
}

TEST_F(TFormDayChartJournal, ShowsWhyTheJournalCannotBeRead)
{
    std::ofstream(file) << "kein SQLite";
    std::string why;
    try {
        reader.Day(year(2026) / March / 10);
    } catch (const JournalError &error) {
        why = error.what();
    }
    ASSERT_FALSE(why.empty());
    OpenLoaded(window, March10(18));
    EXPECT_EQ(window.StatusLabel->text().toStdString(), why);
    EXPECT_FALSE(window.SaveCsvButton->isEnabled());
    EXPECT_TRUE(window.Charts->OccupancyLine->points().isEmpty());
}

} // namespace
