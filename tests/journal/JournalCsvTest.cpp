#include "JournalTestSupport.h"

#include "hall/HallSource.h"
#include "journal/JournalCsv.h"
#include "journal/JournalPath.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

using namespace std::chrono;

TEST(JournalCsv, WritesTheBytesAGermanSpreadsheetReads)
{
    const auto at = sys_days(year(2026) / 12 / 9) + hours(13) + minutes(3) + seconds(12);
    const auto code = [](HallSource source) { return static_cast<std::uint16_t>(source); };
    const std::vector<JournalRow> rows = {
        Row(at, 60, code(HallSource::Start), JournalChange::Started, 0),
        Row(at, 60, code(HallSource::EntryBarrier), JournalChange::Up, 1),
        Row(at + seconds(1), 60, code(HallSource::ExitBarrier), JournalChange::Down, 0),
        Row(at, 120, code(HallSource::In), JournalChange::Up, 1),
        Row(at, -210, code(HallSource::Out), JournalChange::Down, 0),
        Row(at, 0, code(HallSource::Reset), JournalChange::Reset, 0, 99999),
        Row(at - hours(14), 60, code(HallSource::DailyReset), JournalChange::Reset, 0),
        Row(at, 60, code(HallSource::Start), JournalChange::Resumed, 17),
        Row(at, 60, 250, JournalChange::None, 17),
    };
    std::ostringstream csv;
    WriteJournalCsv(csv, rows);
    EXPECT_EQ(csv.str(), "\xEF\xBB\xBFZeit;Quelle;Änderung;Stand;Kapazität\r\n"
                         "2026-12-09T14:03:12+01:00;Start;Neubeginn;0;5\r\n"
                         "2026-12-09T14:03:12+01:00;Lichtschranke Eingang;+1;1;5\r\n"
                         "2026-12-09T14:03:13+01:00;Lichtschranke Ausgang;-1;0;5\r\n"
                         "2026-12-09T15:03:12+02:00;REIN;+1;1;5\r\n"
                         "2026-12-09T09:33:12-03:30;RAUS;-1;0;5\r\n"
                         "2026-12-09T13:03:12+00:00;RESET;Rücksetzung;0;99999\r\n"
                         "2026-12-09T00:03:12+01:00;Tagesreset;Rücksetzung;0;5\r\n"
                         "2026-12-09T14:03:12+01:00;Start;Stand übernommen;17;5\r\n"
                         "2026-12-09T14:03:12+01:00;250;;17;5\r\n");
}

TEST(JournalDate, AcceptsOnlyDaysTheCalendarHas)
{
    year_month_day date;
    std::string error;
    ASSERT_TRUE(ParseJournalDate("2026-12-09", date, error));
    EXPECT_EQ(date, year(2026) / 12 / 9);
    ASSERT_TRUE(ParseJournalDate("2028-02-29", date, error));
    EXPECT_EQ(date, year(2028) / 2 / 29);
    for (const std::string bad : {"2026-02-29", "2026-04-31", "2026-13-01", "2026-00-10", "2026-12-00", "2026-1-09",
                                  "26-12-09", "2026/12/09", "2026-12-09x", " 2026-12-09", "+026-12-09", "2026-12-+9",
                                  "", "morgen"}) {
        error.clear();
        EXPECT_FALSE(ParseJournalDate(bad, date, error)) << bad;
        EXPECT_NE(error.find("„" + bad + "“"), std::string::npos) << error;
    }
}

TEST(JournalPath, LivesInTheUsersDataFolderAndIgnoresRelativeOnes)
{
    EXPECT_EQ(JournalFile("pontra", "/srv/daten", "/home/kasse"), "/srv/daten/Vendaro/pontra/journal.sqlite3");
    EXPECT_EQ(JournalFile("pontra", nullptr, "/home/kasse"), "/home/kasse/.local/share/Vendaro/pontra/journal.sqlite3");
    EXPECT_EQ(JournalFile("pontra", "", "/home/kasse"), "/home/kasse/.local/share/Vendaro/pontra/journal.sqlite3");
    EXPECT_EQ(JournalFile("pontra", "daten", "/home/kasse"), "/home/kasse/.local/share/Vendaro/pontra/journal.sqlite3");
    EXPECT_EQ(JournalFile("halle2", "/srv/daten", nullptr), "/srv/daten/Vendaro/halle2/journal.sqlite3");
    EXPECT_TRUE(JournalFile("pontra", "daten", "kasse").empty());
}

} // namespace
