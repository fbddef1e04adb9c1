#include "hall/DailyResetSchedule.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

TEST(DailyResetTime, ReadsHoursAndMinutesAndRefusesTheRest)
{
    const std::vector<std::pair<std::string, std::optional<int>>> good = {
        {"04:30", 270}, {"4:30", 270}, {"00:00", 0}, {" 23:59\t", 1439}, {"", std::nullopt}, {"  ", std::nullopt},
    };
    for (const auto &[text, minutesAfterMidnight] : good) {
        std::optional<minutes> at = minutes(5);
        ASSERT_TRUE(ParseDailyResetTime(text, at)) << text;
        EXPECT_EQ(at ? std::optional<int>(static_cast<int>(at->count())) : std::nullopt, minutesAfterMidnight) << text;
    }
    for (const std::string text : {"24:00", "12:60", "4:5", "123:45", "12:345", "ab:cd", "12-30", "-1:30", "+4:30",
                                   "12:30:00", "1230", ":30", "12:", "12 :30"}) {
        std::optional<minutes> at;
        EXPECT_FALSE(ParseDailyResetTime(text, at)) << text;
    }
}

struct Moment {
    year_month_day date;
    seconds timeOfDay;
    bool resets;
};

struct Scenario {
    const char *name;
    std::optional<minutes> at;
    std::optional<year_month_day> lastReset;
    std::vector<Moment> moments;
};

constexpr auto Dec = [](unsigned day) { return year(2026) / December / day; };
constexpr auto Clock = [](int h, int m, int s = 0) { return seconds(hours(h) + minutes(m) + seconds(s)); };
constexpr auto At = [](int h, int m) { return std::optional<minutes>(hours(h) + minutes(m)); };

TEST(DailyResetSchedule, ResetsOncePerDateThroughSleepAndClockChanges)
{
    const auto summerEnds = year(2026) / October / 25;  // 03:00 CEST -> 02:00 CET
    const auto summerStarts = year(2026) / March / 29;  // 02:00 CET -> 03:00 CEST
    const std::vector<Scenario> scenarios = {
        {"an ordinary day", At(4, 0), Dec(8),
         {{Dec(9), Clock(3, 59, 59), false}, {Dec(9), Clock(4, 0), true}, {Dec(9), Clock(4, 0, 1), false},
          {Dec(9), Clock(23, 59, 59), false}, {Dec(10), Clock(3, 0), false}, {Dec(10), Clock(4, 0), true}}},
        {"asleep at the time, awake later that day", At(4, 0), Dec(8),
         {{Dec(9), Clock(3, 0), false}, {Dec(9), Clock(9, 15), true}, {Dec(9), Clock(9, 16), false}}},
        {"started on a later day after the time", At(4, 0), Dec(5),
         {{Dec(9), Clock(8, 0), true}, {Dec(9), Clock(8, 1), false}}},
        {"started on a later day before the time", At(4, 0), Dec(5),
         {{Dec(9), Clock(2, 0), false}, {Dec(9), Clock(4, 0), true}}},
        {"already reset today, started again", At(4, 0), Dec(9), {{Dec(9), Clock(8, 0), false}}},
        {"summer time ends: the hour comes twice", At(2, 30), year(2026) / October / 24,
         {{summerEnds, Clock(2, 30), true}, {summerEnds, Clock(2, 59), false}, {summerEnds, Clock(2, 0), false},
          {summerEnds, Clock(2, 30), false}, {summerEnds, Clock(3, 0), false}}},
        {"summer time begins: the time never shows", At(2, 30), year(2026) / March / 28,
         {{summerStarts, Clock(1, 59, 59), false}, {summerStarts, Clock(3, 0), true}, {summerStarts, Clock(3, 1), false}}},
        {"clock set back over midnight", At(0, 10), Dec(8),
         {{Dec(9), Clock(0, 10), true}, {Dec(8), Clock(23, 55), false}, {Dec(9), Clock(0, 10), false},
          {Dec(10), Clock(0, 10), true}}},
        {"clock jumps forward past the time", At(4, 0), Dec(8),
         {{Dec(9), Clock(3, 50), false}, {Dec(9), Clock(5, 0), true}, {Dec(11), Clock(10, 0), true},
          {Dec(11), Clock(10, 1), false}}},
        {"never reset before", At(4, 0), std::nullopt, {{Dec(9), Clock(3, 0), false}, {Dec(9), Clock(4, 0), true}}},
        {"off", std::nullopt, Dec(1), {{Dec(9), Clock(4, 0), false}, {Dec(10), Clock(23, 0), false}}},
    };
    for (const auto &scenario : scenarios) {
        DailyResetSchedule schedule(scenario.at, scenario.lastReset);
        for (std::size_t i = 0; i < scenario.moments.size(); ++i) {
            const auto &moment = scenario.moments[i];
            EXPECT_EQ(schedule.ResetNow({moment.date, moment.timeOfDay, {}}), moment.resets)
                << scenario.name << ", moment " << i;
        }
    }
}

TEST(DailyResetSchedule, ChangingTheTimeTakesEffectWhenItNextComesRound)
{
    const LocalTime morning{Dec(9), Clock(10, 0), {}};
    // A time already past today: tomorrow, not now.
    DailyResetSchedule past(std::nullopt, Dec(7));
    past.Change(At(4, 0), morning);
    EXPECT_FALSE(past.ResetNow({Dec(9), Clock(10, 1), {}}));
    EXPECT_TRUE(past.ResetNow({Dec(10), Clock(4, 0), {}}));
    // A time still ahead today: today.
    DailyResetSchedule ahead(At(4, 0), Dec(8));
    ahead.Change(At(20, 0), morning);
    EXPECT_FALSE(ahead.ResetNow({Dec(9), Clock(19, 59), {}}));
    EXPECT_TRUE(ahead.ResetNow({Dec(9), Clock(20, 0), {}}));
    // Moved to later on a day that had its reset: not twice.
    DailyResetSchedule done(At(4, 0), Dec(9));
    done.Change(At(20, 0), morning);
    EXPECT_FALSE(done.ResetNow({Dec(9), Clock(20, 0), {}}));
    done.Change(std::nullopt, morning);
    EXPECT_FALSE(done.ResetNow({Dec(10), Clock(20, 0), {}}));
}

} // namespace
