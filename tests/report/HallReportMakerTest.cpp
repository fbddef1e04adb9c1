#include "report/HallReportMaker.h"

#include "hall/HallSource.h"
#include "journal/JournalTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using namespace std::chrono;
using S = HallSource;
using C = JournalChange;

// A row at a local time of a day in 2026 with its offset from UTC in minutes.
JournalRow At(unsigned month, unsigned day, int hour, int minute, int offset, S source, C change,
              std::int32_t count, std::int32_t capacity)
{
    const sys_seconds local = sys_days(year(2026) / month / day) + hours(hour) + minutes(minute);
    return Row(local - minutes(offset), offset, static_cast<std::uint16_t>(source), change, count, capacity);
}

year_month_day Date(unsigned month, unsigned day)
{
    return year(2026) / month / day;
}

// The hall's clock for the daylight-saving days, as the program's computer has it.
class InZone {
public:
    explicit InZone(const char *zone)
    {
        if (const char *was = std::getenv("TZ"))
            was_ = was;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~InZone()
    {
        if (was_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", was_.c_str(), 1);
        tzset();
    }

private:
    std::string was_;
};

ReportOptions Options(int warnPercent = 0)
{
    ReportOptions options;
    options.warnPercent = warnPercent;
    options.now = sys_days(year(2030) / 1 / 1);
    return options;
}

TEST(HallReportMaker, DayWithResetAndTheCapacityReachedTwice)
{
    const ReportRows rows{std::nullopt,
                          {At(5, 4, 8, 0, 120, S::Start, C::Started, 0, 3),
                           At(5, 4, 9, 0, 120, S::In, C::Up, 1, 3),
                           At(5, 4, 9, 10, 120, S::EntryBarrier, C::Up, 2, 3),
                           At(5, 4, 9, 20, 120, S::EntryBarrier, C::Up, 3, 3),
                           At(5, 4, 9, 50, 120, S::ExitBarrier, C::Down, 2, 3),
                           At(5, 4, 10, 0, 120, S::EntryBarrier, C::Up, 3, 3),
                           At(5, 4, 10, 30, 120, S::EntryBlocked, C::None, 3, 3),
                           At(5, 4, 11, 0, 120, S::Reset, C::Reset, 0, 3),
                           At(5, 4, 12, 0, 120, S::EntryBarrier, C::Up, 1, 3)},
                          At(5, 5, 3, 0, 120, S::DailyReset, C::Reset, 0, 3)};
    const HallReport report = MakeHallReport(rows, DayPeriod(Date(5, 4)), Options(50));

    EXPECT_EQ(report.barriers.entries, 4);
    EXPECT_EQ(report.barriers.exits, 1);
    EXPECT_EQ(report.keys.entries, 1);
    EXPECT_EQ(report.total.entries, 5);
    EXPECT_EQ(report.total.exits, 1);
    EXPECT_EQ(report.manualResets, 1);
    EXPECT_EQ(report.dailyResets, 0) << "the next day's";
    EXPECT_EQ(report.starts, 1);
    EXPECT_FALSE(report.countAtStart);
    EXPECT_EQ(report.countAtEnd, 1);

    EXPECT_EQ(report.timesFull, 2);
    EXPECT_EQ(report.atCapacity, minutes(30 + 60));
    // From ceil(3 × 50 %) = 2 visitors: 09:10-09:20 and 09:50-10:00.
    EXPECT_EQ(report.nearlyFull, minutes(20));
    EXPECT_EQ(report.peak, 3);
    ASSERT_TRUE(report.peakAt);
    EXPECT_EQ(report.peakAt->timeOfDay, hours(9) + minutes(20));

    // The run goes on to the next day's reset: the count held till midnight.
    EXPECT_FALSE(report.hourly[7]);
    EXPECT_DOUBLE_EQ(*report.hourly[8], 0);
    EXPECT_DOUBLE_EQ(*report.hourly[9], (10 * 1 + 10 * 2 + 30 * 3 + 10 * 2) / 60.0);
    EXPECT_DOUBLE_EQ(*report.hourly[10], (60 * 3) / 60.0);
    EXPECT_DOUBLE_EQ(*report.hourly[23], 1);
    // The warning still open at the period's end is cut there.
    ASSERT_EQ(report.barrierWarnings.size(), 1u);
    EXPECT_EQ(report.barrierWarnings[0].duration, hours(13) + minutes(30));

    ASSERT_EQ(report.days.size(), 1u);
    EXPECT_TRUE(report.days[0].recorded);
    EXPECT_EQ(report.days[0].total.entries, 5);
    EXPECT_EQ(report.days[0].peak, 3);
    EXPECT_EQ(report.days[0].atCapacity, minutes(90));
    ASSERT_EQ(report.curve.size(), 8u) << "the warning's row changes nothing";
    EXPECT_EQ(report.curve.back().count, 1);
}

// A count above the capacity when the period begins, a day without the
// program, a resumed count and the other doors' counts.
TEST(HallReportMaker, WeekWithACountCarriedInAMissingDayAndAResumedCount)
{
    const ReportRows rows{At(3, 1, 20, 0, 60, S::EntryBarrier, C::Up, 6, 5),
                          {At(3, 2, 7, 0, 60, S::ExitBarrier, C::Down, 5, 5),
                           At(3, 2, 7, 30, 60, S::ExitBarrier, C::Down, 4, 5),
                           At(3, 2, 8, 0, 60, S::Out, C::Down, 3, 5),
                           At(3, 2, 22, 0, 60, S::In, C::Up, 4, 5),
                           At(3, 4, 9, 0, 60, S::Start, C::Resumed, 4, 5),
                           At(3, 4, 10, 0, 60, S::In, C::Up, 5, 5),
                           At(3, 4, 10, 30, 60, S::OtherDoors, C::Merged, 7, 5),
                           At(3, 4, 11, 0, 60, S::OtherDoors, C::Merged, 2, 5),
                           At(3, 4, 11, 5, 60, S::OtherDoorReset, C::Reset, 0, 5)},
                          At(3, 9, 8, 0, 60, S::Start, C::Started, 0, 5)};
    const ReportPeriod week = WeekPeriod(Date(3, 5));
    EXPECT_EQ(week.first, Date(3, 2));
    EXPECT_EQ(week.last, Date(3, 8));
    const HallReport report = MakeHallReport(rows, week, Options());

    EXPECT_EQ(report.countAtStart, 6);
    EXPECT_EQ(report.countAtEnd, 0);
    EXPECT_EQ(report.resumes, 1);
    EXPECT_EQ(report.manualResets, 1);
    EXPECT_EQ(report.otherDoorResets, 1);
    EXPECT_EQ(report.barriers.exits, 2);
    EXPECT_EQ(report.keys.entries, 2);
    EXPECT_EQ(report.keys.exits, 1);
    EXPECT_EQ(report.otherDoors.entries, 2);
    EXPECT_EQ(report.otherDoors.exits, 5);
    EXPECT_EQ(report.total.entries, 4);
    EXPECT_EQ(report.total.exits, 8);
    // Full from Monday's start, and again on Wednesday.
    EXPECT_EQ(report.timesFull, 2);
    EXPECT_EQ(report.atCapacity, hours(7) + minutes(30) + hours(1));
    EXPECT_EQ(report.peak, 7);
    EXPECT_EQ(report.peakAt->date, Date(3, 4));
    EXPECT_FALSE(report.nearlyFull) << "no warning level";

    // Monday's last row held until its midnight, as the next run began on Wednesday.
    EXPECT_DOUBLE_EQ(*report.hourly[0], 6);
    EXPECT_DOUBLE_EQ(*report.hourly[9], (3 + 4) / 2.0);
    EXPECT_DOUBLE_EQ(*report.hourly[22], (4 + 0) / 2.0);

    ASSERT_EQ(report.days.size(), 7u);
    EXPECT_TRUE(report.days[0].recorded);
    EXPECT_EQ(report.days[0].peak, 6) << "the count carried in";
    EXPECT_EQ(report.days[0].atCapacity, minutes(450));
    EXPECT_EQ(report.days[0].total.exits, 3);
    EXPECT_FALSE(report.days[1].recorded);
    EXPECT_EQ(report.days[1].date, Date(3, 3));
    EXPECT_TRUE(report.days[2].recorded);
    EXPECT_EQ(report.days[2].peak, 7);
    EXPECT_EQ(report.days[2].total.entries, 3);
    for (std::size_t day = 3; day < 7; ++day)
        EXPECT_FALSE(report.days[day].recorded) << day;
    EXPECT_EQ(report.curve.front().count, 6);
    EXPECT_EQ(report.curve.front().at.timeOfDay, seconds(0));

    const ReportPeriod month = MonthPeriod(Date(2, 14));
    EXPECT_EQ(month.first, Date(2, 1));
    EXPECT_EQ(month.last, Date(2, 28));
}

// The hall full from the day before to the day after: the day's real length.
TEST(HallReportMaker, DaysOfTwentyThreeAndTwentyFiveHours)
{
    const InZone berlin("Europe/Berlin");
    // 02:00 CET becomes 03:00 CEST.
    const ReportRows spring{At(3, 28, 20, 0, 60, S::In, C::Up, 2, 2),
                            {At(3, 29, 1, 30, 60, S::Out, C::Down, 1, 2), At(3, 29, 3, 30, 120, S::In, C::Up, 2, 2)},
                            At(3, 30, 10, 0, 120, S::In, C::Up, 3, 2)};
    const HallReport short_ = MakeHallReport(spring, DayPeriod(Date(3, 29)), Options());
    EXPECT_EQ(short_.atCapacity, hours(22));
    EXPECT_EQ(short_.timesFull, 2);
    EXPECT_FALSE(short_.hourly[2]) << "the clock skipped 02:00-03:00";
    EXPECT_DOUBLE_EQ(*short_.hourly[1], 1.5);
    EXPECT_DOUBLE_EQ(*short_.hourly[3], 1.5);

    // 03:00 CEST becomes 02:00 CET: 02:00-03:00 twice.
    const ReportRows autumn{At(10, 24, 20, 0, 120, S::In, C::Up, 5, 5),
                            {At(10, 25, 2, 30, 120, S::Out, C::Down, 4, 5), At(10, 25, 2, 30, 60, S::In, C::Up, 5, 5)},
                            At(10, 26, 9, 0, 60, S::Out, C::Down, 4, 5)};
    const HallReport long_ = MakeHallReport(autumn, DayPeriod(Date(10, 25)), Options());
    EXPECT_EQ(long_.atCapacity, hours(24));
    EXPECT_EQ(long_.days[0].atCapacity, hours(24));
    EXPECT_DOUBLE_EQ(*long_.hourly[2], 4.5);
    EXPECT_DOUBLE_EQ(*long_.hourly[3], 5);

    // A journal from a computer in another zone: the durations stay real.
    const InZone utc("UTC");
    EXPECT_EQ(MakeHallReport(autumn, DayPeriod(Date(10, 25)), Options()).atCapacity, hours(24));
    EXPECT_EQ(MakeHallReport(spring, DayPeriod(Date(3, 29)), Options()).atCapacity, hours(22));
}

TEST(HallReportMaker, WarningsEndWithTheirClearTheRunOrThePeriod)
{
    std::vector<JournalRow> day{At(6, 1, 8, 0, 120, S::Start, C::Started, 0, 5),
                                At(6, 1, 10, 0, 120, S::EntryBlocked, C::None, 0, 5),
                                At(6, 1, 10, 5, 120, S::EntryFlickering, C::None, 0, 5),
                                At(6, 1, 10, 6, 120, S::EntryClear, C::None, 0, 5),
                                At(6, 1, 12, 0, 120, S::PortLost, C::None, 0, 5),
                                // The program ended unseen; it starts again.
                                At(6, 1, 15, 0, 120, S::Start, C::Started, 0, 5),
                                At(6, 1, 23, 0, 120, S::ExitBlocked, C::None, 0, 5)};
    using Kind = ReportBarrierWarning::Kind;
    const auto check = [&](const HallReport &report, seconds lastDuration) {
        ASSERT_EQ(report.barrierWarnings.size(), 4u);
        EXPECT_EQ(report.barrierWarnings[0].kind, Kind::EntryBlocked);
        EXPECT_EQ(report.barrierWarnings[0].from.timeOfDay, hours(10));
        EXPECT_EQ(report.barrierWarnings[0].duration, minutes(5));
        EXPECT_EQ(report.barrierWarnings[1].kind, Kind::EntryFlickering);
        EXPECT_EQ(report.barrierWarnings[1].duration, minutes(1));
        EXPECT_EQ(report.barrierWarnings[2].kind, Kind::PortLost);
        EXPECT_EQ(report.barrierWarnings[2].duration, hours(3));
        EXPECT_EQ(report.barrierWarnings[3].kind, Kind::ExitBlocked);
        EXPECT_EQ(report.barrierWarnings[3].duration, lastDuration);
    };
    // The run goes on past midnight: cut at the period's end.
    check(MakeHallReport({std::nullopt, day, At(6, 2, 8, 0, 120, S::ExitClear, C::None, 0, 5)}, DayPeriod(Date(6, 1)),
                         Options()),
          hours(1));
    // The journal's last row, the report made at 23:20: until now.
    ReportOptions now = Options();
    now.now = day.back().time + minutes(20);
    const HallReport report = MakeHallReport({std::nullopt, day, std::nullopt}, DayPeriod(Date(6, 1)), now);
    check(report, minutes(20));
    EXPECT_FALSE(report.hourly[7]);
    EXPECT_DOUBLE_EQ(*report.hourly[23], 0);
    EXPECT_EQ(report.starts, 2);
}

} // namespace
