#include "chart/DayChartData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace {

using namespace std::chrono;

// What a minute of the day really did: the count before it and every count
// it reached.
struct Minute {
    std::int32_t before = 0;
    std::int32_t first = 0, lowest = 0, highest = 0, last = 0;
    std::int64_t firstMs = 0;
};

TEST(DayChartData, ABusyDayKeepsEachMinutesShapeAndTheExactPeakInFewPoints)
{
    // 10^5 passages from 08:00 to 22:00 local time, with a reset at noon.
    const sys_seconds opening = sys_days(year(2026) / March / 10) + hours(7);
    std::mt19937 random(7);
    DayChartData data;
    std::map<std::int64_t, Minute> minutes;
    std::int32_t count = 0, peak = -1;
    std::int64_t peakMs = 0;
    int entries = 0, exits = 0;
    const auto add = [&](std::int64_t ms, JournalChange change, std::int32_t next) {
        Minute &minute = minutes.try_emplace(ms / 60'000, Minute{count, next, next, next, next, ms}).first->second;
        minute.lowest = std::min(minute.lowest, next);
        minute.highest = std::max(minute.highest, next);
        minute.last = next;
        if (next > peak) {
            peak = next;
            peakMs = ms;
        }
        count = next;
        data.Add({sys_time<milliseconds>(milliseconds(ms)), hours(1), 1, change, next, 500});
    };
    add(duration_cast<milliseconds>(opening.time_since_epoch()).count() - 60'000, JournalChange::Started, 0);
    for (int i = 0; i < 100'000; ++i) {
        const std::int64_t ms = duration_cast<milliseconds>(opening.time_since_epoch()).count() + i * 504;
        if (i == 50'000) {
            add(ms, JournalChange::Reset, 0);
        } else if (count == 0 || random() % 100 < 52) {
            ++entries;
            add(ms, JournalChange::Up, count + 1);
        } else {
            ++exits;
            add(ms, JournalChange::Down, count - 1);
        }
    }

    EXPECT_EQ(data.Entries(), entries);
    EXPECT_EQ(data.Exits(), exits);
    EXPECT_EQ(data.Resets(), 1);
    ASSERT_TRUE(data.Peak());
    EXPECT_EQ(data.Peak()->count, peak);
    EXPECT_EQ(data.Peak()->time.time_since_epoch().count(), peakMs) << "the first time the peak was reached";
    EXPECT_EQ(data.EntriesPerHour()[8] + data.ExitsPerHour()[8], 3600 * 1000 / 504 + 1);

    const auto &points = data.Occupancy().Points();
    EXPECT_LE(points.size(), 5 * minutes.size());
    std::map<std::int64_t, std::vector<ChartPoint>> drawn;
    for (const ChartPoint &point : points)
        drawn[point.ms / 60'000].push_back(point);
    ASSERT_EQ(drawn.size(), minutes.size());
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(), [](auto &a, auto &b) { return a.ms < b.ms; }));
    for (const auto &[index, minute] : minutes) {
        const auto &in = drawn[index];
        SCOPED_TRACE(index);
        const auto [low, high] =
            std::minmax_element(in.begin(), in.end(), [](auto &a, auto &b) { return a.value < b.value; });
        EXPECT_EQ(in.front().ms, minute.firstMs);
        EXPECT_EQ(low->value, std::min(minute.before, minute.lowest));
        EXPECT_EQ(high->value, std::max(minute.before, minute.highest));
        EXPECT_EQ(in.back().value, minute.last);
    }
}

} // namespace
