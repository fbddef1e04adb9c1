#include "hall/Hall.h"
#include "hall/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
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

HallEvent At(HallSource source, int second, std::int32_t count = 0, bool resumed = false)
{
    return {source, system_clock::time_point(seconds(1'800'000'000 + second)), count, resumed};
}

TEST(Hall, CountsByTheButtonsRulesAndTellsEachChangeWithItsCause)
{
    Hall hall(2);
    Recorder heard;
    hall.AddListener(&heard);
    struct Step {
        HallEvent event;
        bool changes;
        int count;
        int delta;
        bool reset;
    };
    const std::vector<Step> steps = {
        {At(HallSource::ExitBarrier, 0), false, 0, 0, false}, // out of an empty hall is no change
        {At(HallSource::EntryBarrier, 1), true, 1, 1, false},
        {At(HallSource::In, 2), true, 2, 1, false},
        {At(HallSource::In, 3), true, 3, 1, false}, // no upper bound
        {At(HallSource::Out, 4), true, 2, -1, false},
        {At(HallSource::Reset, 5), true, 0, 0, true},
        {At(HallSource::Reset, 6), true, 0, 0, true}, // a reset of an empty hall is still one
        {At(HallSource::Out, 7), false, 0, 0, false},
        {At(HallSource::Start, 8, 17, true), true, 17, 0, false},
        {At(HallSource::DailyReset, 9), true, 0, 0, true},
        {At(HallSource::Start, 10, -3), true, 0, 0, false}, // never below 0, also from a stored count
        {At(HallSource::Start, 11, std::numeric_limits<std::int32_t>::max()), true,
         std::numeric_limits<std::int32_t>::max(), 0, false},
        {At(HallSource::In, 12), false, std::numeric_limits<std::int32_t>::max(), 0, false}, // no overflow
    };
    for (const auto &step : steps) {
        const auto told = heard.changes.size();
        EXPECT_EQ(hall.Apply(step.event), step.changes) << step.event.time.time_since_epoch().count();
        EXPECT_EQ(hall.Count(), step.count);
        ASSERT_EQ(heard.changes.size(), told + (step.changes ? 1 : 0));
        if (!step.changes)
            continue;
        const auto &change = heard.changes.back();
        EXPECT_EQ(change.source, step.event.source);
        EXPECT_EQ(change.time, step.event.time);
        EXPECT_EQ(std::tie(change.count, change.delta, change.reset, change.resumed),
                  std::tie(step.count, step.delta, step.reset, step.event.resumed));
        EXPECT_EQ(change.capacity, 2);
    }
    hall.Apply(At(HallSource::Reset, 13));
    hall.Apply(At(HallSource::In, 14));
    EXPECT_FALSE(hall.Full());
    hall.Apply(At(HallSource::In, 15));
    EXPECT_TRUE(hall.Full() && heard.changes.back().Full()) << "full from the capacity on";

    // The capacity changes without a change of the count.
    const auto told = heard.changes.size();
    hall.SetCapacity(10);
    EXPECT_EQ(heard.changes.size(), told);
    EXPECT_EQ(heard.capacities, std::vector<std::int32_t>{10});
    EXPECT_FALSE(hall.Full());
}

TEST(Hall, ListenersMayComeAndGoWhileTheyAreTold)
{
    Hall hall;
    Recorder first, second, third, late;
    for (auto *listener : {&first, &second, &third, &first})
        hall.AddListener(listener); // the first once only

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
    EXPECT_EQ(third.changes.size(), 2u);
    ASSERT_EQ(late.changes.size(), 2u);
    EXPECT_EQ(late.changes[0].count, 2);
    EXPECT_EQ(late.changes[1].count, 0) << "the reset a listener made comes after the change it heard";
    EXPECT_EQ(hall.Count(), 0);
    hall.Apply(At(HallSource::In, 3));
    EXPECT_EQ(first.changes.size() + second.changes.size() + third.changes.size(), 3u);
    EXPECT_EQ(late.changes.size(), 3u);
}

// The stop lamp reports its colour as the capacity turns it: the report
// follows the capacity at once, not only with the next change.
TEST(Hall, AReportAListenerMakesAsTheCapacityChangesFollowsAtOnce)
{
    Hall hall(5);
    struct Reporter : Recorder {
        Hall *hall = nullptr;
        std::vector<HallSource> reports;
        void CapacityChanged(std::int32_t capacity) override
        {
            Recorder::CapacityChanged(capacity);
            hall->Apply(At(HallSource::LampRed, 1));
        }
        void HallReported(const HallChange &report) override { reports.push_back(report.source); }
    } reporter;
    reporter.hall = &hall;
    hall.AddListener(&reporter);
    hall.SetCapacity(3);
    EXPECT_EQ(reporter.reports, std::vector<HallSource>({HallSource::LampRed}));
    EXPECT_TRUE(reporter.changes.empty()) << "a report changes no count";
}

TEST(LocalTime, TakesTheZonesOffsetAtEachMoment)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const auto at = [](unsigned month, unsigned day, int hour, int minute) {
        return system_clock::time_point(sys_days(year(2026) / month / day) + hours(hour) + minutes(minute));
    };
    // The hour from 02:00 comes twice when summer time ends.
    const auto summer = LocalTimeAt(at(10, 25, 0, 30));
    const auto winter = LocalTimeAt(at(10, 25, 1, 30));
    EXPECT_EQ(summer.timeOfDay, hours(2) + minutes(30));
    EXPECT_EQ(winter.timeOfDay, hours(2) + minutes(30));
    EXPECT_EQ(summer.utcOffset, hours(2));
    EXPECT_EQ(winter.utcOffset, hours(1));
}

// By the local clock, also on the days summer time begins and ends.
TEST(LocalTime, NextDayBeginsAtTheLocalMidnight)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const auto utc = [](unsigned month, unsigned day, int hour, int minute) {
        return system_clock::time_point(sys_days(year(2026) / month / day) + hours(hour) + minutes(minute));
    };
    EXPECT_EQ(NextLocalDayStart(utc(12, 9, 13, 3)), utc(12, 9, 23, 0));
    EXPECT_EQ(NextLocalDayStart(utc(12, 9, 23, 0)), utc(12, 10, 23, 0));
    EXPECT_EQ(NextLocalDayStart(utc(12, 9, 22, 59)), utc(12, 9, 23, 0));
    EXPECT_EQ(NextLocalDayStart(utc(3, 29, 12, 0)), utc(3, 29, 22, 0));
    EXPECT_EQ(NextLocalDayStart(utc(10, 24, 23, 30)), utc(10, 25, 23, 0));
}

} // namespace
