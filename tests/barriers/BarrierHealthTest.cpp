#include "barriers/BarrierWarnings.h"
#include "hall/Hall.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono;
using State = BarrierHealth::State;

const system_clock::time_point kT0(seconds(1'800'000'000));

system_clock::time_point At(milliseconds offset)
{
    return kT0 + offset;
}

// Flips the line count times, spread evenly over within, starting at from.
std::vector<std::optional<State>> Flip(BarrierHealth &health, int count, milliseconds from, milliseconds within)
{
    std::vector<std::optional<State>> found;
    for (int i = 0; i < count; ++i)
        found.push_back(health.Line(i % 2 == 0, At(from + within * i / count)));
    return found;
}

TEST(BarrierHealth, ABeamInterruptedPastTheLimitIsBlockedSinceItWasInterruptedUntilItClears)
{
    BarrierHealth health;
    health.SetLimits(seconds(30), 20);
    EXPECT_EQ(health.Line(false, At(0s)), std::nullopt);
    EXPECT_EQ(health.NextCheck(), std::nullopt);
    EXPECT_EQ(health.Line(true, At(5s)), std::nullopt);
    EXPECT_EQ(health.NextCheck(), At(35s));
    EXPECT_EQ(health.Check(At(35s) - 1ms), std::nullopt);
    EXPECT_EQ(health.Check(At(35s)), State::Blocked);
    EXPECT_EQ(health.Since(), At(5s));
    EXPECT_EQ(health.Check(At(90s)), std::nullopt); // told once
    EXPECT_EQ(health.NextCheck(), std::nullopt);

    // The port closes and opens again with the beam still interrupted: it
    // stays blocked since it was; nothing starts while the line is not read.
    health.Unread();
    EXPECT_EQ(health.NextCheck(), std::nullopt);
    EXPECT_EQ(health.Line(true, At(100s)), std::nullopt);
    EXPECT_EQ(health.Since(), At(5s));
    EXPECT_EQ(health.Line(false, At(101s)), State::Clear);
    EXPECT_EQ(health.Current(), State::Clear);

    // Interrupted again: the time runs afresh.
    EXPECT_EQ(health.Line(true, At(110s)), std::nullopt);
    EXPECT_EQ(health.Check(At(139s)), std::nullopt);
    EXPECT_EQ(health.Check(At(140s)), State::Blocked);
}

TEST(BarrierHealth, MoreChangesThanTheLimitWithinASecondAreFlickeringUntilTheLineCalmsDown)
{
    BarrierHealth health;
    health.SetLimits(seconds(30), 20);
    health.Line(false, At(0s));
    // 20 changes within a second are a busy entrance, not a fault.
    for (const auto &found : Flip(health, 20, 1s, 900ms))
        EXPECT_EQ(found, std::nullopt);
    // The 21st within one second is one too many.
    EXPECT_EQ(health.Line(true, At(1950ms)), State::Flickering);
    EXPECT_EQ(health.Since(), At(1950ms));
    // It ends once at most half the limit is left within the last second.
    ASSERT_TRUE(health.NextCheck().has_value());
    EXPECT_EQ(health.Check(At(2200ms)), std::nullopt);
    EXPECT_EQ(health.Check(At(2950ms)), State::Clear);
    // Left interrupted after the flickering, it is blocked from its last change.
    EXPECT_EQ(health.NextCheck(), At(31950ms));
    EXPECT_EQ(health.Check(At(31950ms)), State::Blocked);
    EXPECT_EQ(health.Since(), At(1950ms));

    // Changes just before a wall clock set back by an hour are not taken
    // for changes within the same second as the ones after it.
    BarrierHealth reset;
    reset.Line(false, At(0s));
    Flip(reset, 20, 1s, 900ms);
    for (const auto &found : Flip(reset, 5, -1h, 5s))
        EXPECT_EQ(found, std::nullopt);
}

TEST(BarrierHealth, ALimitOfZeroSwitchesItsRuleOff)
{
    BarrierHealth health;
    health.SetLimits(seconds(0), 0);
    health.Line(false, At(0s));
    for (const auto &found : Flip(health, 200, 1s, 500ms))
        EXPECT_EQ(found, std::nullopt);
    health.Line(true, At(2s));
    EXPECT_EQ(health.Check(At(10h)), std::nullopt);
    EXPECT_EQ(health.Current(), State::Clear);

    // Switched on while the beam is interrupted, the interruption counts from
    // its start; switched off again, the warning ends.
    health.SetLimits(seconds(30), 0);
    EXPECT_EQ(health.Check(At(10h)), State::Blocked);
    health.SetLimits(seconds(0), 0);
    EXPECT_EQ(health.Check(At(10h)), State::Clear);
}

struct Reports : HallListener {
    std::vector<HallChange> changes;
    std::vector<HallChange> reports;
    void HallChanged(const HallChange &change) override { changes.push_back(change); }
    void HallReported(const HallChange &report) override { reports.push_back(report); }
};

TEST(BarrierWarnings, ReachTheListenersAsReportsThatChangeNoCount)
{
    Hall hall(10);
    Reports heard;
    hall.AddListener(&heard);
    hall.Apply({.source = HallSource::In, .time = At(0s)});
    BarrierWarnings warnings(hall);
    warnings.SetLimits(seconds(30), 2);

    warnings.Line(HallSource::EntryBarrier, false, At(0s));
    warnings.Line(HallSource::ExitBarrier, true, At(1s));
    EXPECT_EQ(warnings.NextCheck(), At(31s));
    warnings.Check(At(31s));
    for (const int flip : {0, 1, 2})
        warnings.Line(HallSource::EntryBarrier, flip % 2 == 0, At(32s + flip * 100ms));
    warnings.Line(HallSource::ExitBarrier, false, At(33s));
    warnings.PortLost(At(40s));
    warnings.PortLost(At(41s)); // once
    // While the port is gone nothing new is found.
    EXPECT_EQ(warnings.NextCheck(), std::nullopt);
    warnings.PortBack(At(50s));

    const std::vector<std::pair<HallSource, system_clock::time_point>> expected = {
        {HallSource::ExitBlocked, At(1s)},  {HallSource::EntryFlickering, At(32200ms)},
        {HallSource::ExitClear, At(33s)},   {HallSource::PortLost, At(40s)},
        {HallSource::PortBack, At(50s)},
    };
    ASSERT_EQ(heard.reports.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(heard.reports[i].source, expected[i].first) << i;
        EXPECT_EQ(heard.reports[i].since, expected[i].second) << i;
        EXPECT_EQ(heard.reports[i].delta, 0);
        EXPECT_EQ(heard.reports[i].count, 1);
        EXPECT_EQ(heard.reports[i].capacity, 10);
    }
    EXPECT_EQ(heard.reports[0].time, At(31s));
    EXPECT_EQ(heard.changes.size(), 1u);
    EXPECT_EQ(hall.Count(), 1);
}

} // namespace
