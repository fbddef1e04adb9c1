#include "hall/Hall.h"
#include "hall/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

struct Recorder : HallListener {
    std::vector<HallChange> changes;
    std::vector<std::int32_t> capacities;
    std::function<void(const HallChange &)> onChange;

    void HallChanged(const HallChange &change) override
    {
        changes.push_back(change);
        if (onChange)
            onChange(change);
    }
    void CapacityChanged(std::int32_t capacity) override { capacities.push_back(capacity); }
};

HallEvent At(HallSource source, int second)
{
    return {source, system_clock::time_point(seconds(1'800'000'000 + second))};
}

TEST(Hall, CountsByTheButtonsRulesAndTellsEachChangeWithItsCause)
{
    Hall hall(2);
    Recorder heard;
    hall.AddListener(&heard);

    EXPECT_FALSE(hall.Apply(At(HallSource::ExitBarrier, 0))) << "out of an empty hall is no change";
    EXPECT_TRUE(hall.Apply(At(HallSource::EntryBarrier, 1)));
    EXPECT_FALSE(hall.Full());
    EXPECT_TRUE(hall.Apply(At(HallSource::In, 2)));
    EXPECT_TRUE(hall.Full()) << "full from the capacity on";
    EXPECT_TRUE(hall.Apply(At(HallSource::In, 3))) << "no upper bound";
    EXPECT_TRUE(hall.Apply(At(HallSource::Out, 4)));
    EXPECT_TRUE(hall.Apply(At(HallSource::Reset, 5)));
    EXPECT_TRUE(hall.Apply(At(HallSource::Reset, 6))) << "a reset of an empty hall is still a reset";
    EXPECT_FALSE(hall.Apply(At(HallSource::Out, 7)));
    EXPECT_EQ(hall.Count(), 0);

    ASSERT_EQ(heard.changes.size(), 6u);
    const std::vector<std::tuple<HallSource, int, bool, int>> expected = {
        {HallSource::EntryBarrier, 1, false, 1}, {HallSource::In, 1, false, 2}, {HallSource::In, 1, false, 3},
        {HallSource::Out, -1, false, 2},         {HallSource::Reset, 0, true, 0}, {HallSource::Reset, 0, true, 0},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto &[source, delta, reset, count] = expected[i];
        const auto &change = heard.changes[i];
        EXPECT_EQ(change.source, source) << i;
        EXPECT_EQ(change.delta, delta) << i;
        EXPECT_EQ(change.reset, reset) << i;
        EXPECT_EQ(change.count, count) << i;
        EXPECT_EQ(change.capacity, 2) << i;
    }
    EXPECT_EQ(heard.changes[3].time, At(HallSource::Out, 4).time);
    EXPECT_TRUE(heard.changes[2].Full());

    // The capacity changes without a change of the count.
    hall.SetCapacity(10);
    EXPECT_EQ(heard.changes.size(), 6u);
    EXPECT_EQ(heard.capacities, std::vector<std::int32_t>{10});
    EXPECT_TRUE(hall.Apply(At(HallSource::DailyReset, 8)));
    EXPECT_EQ(heard.changes.back().capacity, 10);
    EXPECT_TRUE(heard.changes.back().reset);

    // A start carries its count; a resumed one says so.
    HallEvent start = At(HallSource::Start, 9);
    start.count = 17;
    start.resumed = true;
    EXPECT_TRUE(hall.Apply(start));
    EXPECT_EQ(hall.Count(), 17);
    EXPECT_TRUE(heard.changes.back().resumed);
    EXPECT_EQ(heard.changes.back().delta, 0);
    EXPECT_FALSE(heard.changes.back().reset);
    start.count = -3;
    start.resumed = false;
    hall.Apply(start);
    EXPECT_EQ(hall.Count(), 0) << "never below 0, also from a stored count";

    start.count = std::numeric_limits<std::int32_t>::max();
    hall.Apply(start);
    EXPECT_FALSE(hall.Apply(At(HallSource::In, 10))) << "the count must not overflow";
    EXPECT_EQ(hall.Count(), std::numeric_limits<std::int32_t>::max());
}

TEST(Hall, ListenersMayComeAndGoWhileTheyAreTold)
{
    Hall hall;
    Recorder first, second, third, late;
    hall.AddListener(&first);
    hall.AddListener(&second);
    hall.AddListener(&third);
    hall.AddListener(&first); // once only

    // The first removes itself and the second, and adds a late one.
    first.onChange = [&](const HallChange &) {
        hall.RemoveListener(&first);
        hall.RemoveListener(&second);
        hall.AddListener(&late);
    };
    hall.Apply(At(HallSource::In, 0));
    EXPECT_EQ(first.changes.size(), 1u);
    EXPECT_EQ(second.changes.size(), 0u) << "removed before its turn";
    EXPECT_EQ(third.changes.size(), 1u);
    EXPECT_EQ(late.changes.size(), 0u) << "added during a change, told from the next";

    // A listener that changes the count while it is told, and leaves then.
    third.onChange = [&](const HallChange &change) {
        if (change.count == 2) {
            hall.RemoveListener(&third);
            hall.Apply(At(HallSource::Reset, 2));
        }
    };
    hall.Apply(At(HallSource::In, 1));
    EXPECT_EQ(first.changes.size(), 1u);
    EXPECT_EQ(third.changes.size(), 1u + 1u);
    ASSERT_EQ(late.changes.size(), 2u);
    EXPECT_EQ(late.changes[0].count, 2);
    EXPECT_EQ(late.changes[1].count, 0) << "the reset a listener made comes after the change it heard";
    EXPECT_EQ(hall.Count(), 0);
    hall.Apply(At(HallSource::In, 3));
    EXPECT_EQ(third.changes.size(), 2u);
    EXPECT_EQ(late.changes.size(), 3u);
}

TEST(LocalTime, FollowsTheZoneAcrossSummerTimeAndDateLines)
{
    const char *saved = std::getenv("TZ");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const auto at = [](int y, unsigned m, unsigned d, int h, int min) {
        return system_clock::time_point(sys_days(year(y) / m / d) + hours(h) + minutes(min));
    };
    // The hour of 02:00..03:00 comes twice when summer time ends.
    const auto summer = LocalTimeAt(at(2026, 10, 25, 0, 30));
    const auto winter = LocalTimeAt(at(2026, 10, 25, 1, 30));
    EXPECT_EQ(summer.timeOfDay, winter.timeOfDay);
    EXPECT_EQ(summer.timeOfDay, hours(2) + minutes(30));
    EXPECT_EQ(summer.utcOffset, hours(2));
    EXPECT_EQ(winter.utcOffset, hours(1));
    const auto evening = LocalTimeAt(at(2026, 12, 31, 23, 30));
    EXPECT_EQ(evening.date, year(2027) / 1 / 1);
    EXPECT_EQ(evening.timeOfDay, minutes(30));
    if (previous)
        setenv("TZ", previous->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    const auto west = LocalTimeOf(sys_days(year(2026) / 12 / 9) + hours(2), -(hours(3) + minutes(30)));
    EXPECT_EQ(west.date, year(2026) / 12 / 8);
    EXPECT_EQ(west.timeOfDay, hours(22) + minutes(30));
}

} // namespace
