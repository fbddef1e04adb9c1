#include "hall/DoorLamp.h"
#include "hall/HallChange.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Seen = std::vector<LampState>;
constexpr LampState G = LampState::Green;
constexpr LampState A = LampState::Amber;
constexpr LampState R = LampState::Red;

HallChange Count(std::int32_t count, std::int32_t capacity)
{
    HallChange change;
    change.count = count;
    change.capacity = capacity;
    return change;
}

HallChange Report(HallSource source)
{
    HallChange report;
    report.source = source;
    return report;
}

// Walks the count through the list at capacity 10 and returns the states the
// lamp changed to.
Seen Walk(DoorLamp::Rules rules, std::initializer_list<std::int32_t> counts)
{
    Seen seen;
    DoorLamp lamp(rules, 0, 10, [&](LampState state) { seen.push_back(state); });
    for (const std::int32_t count : counts)
        lamp.HallChanged(Count(count, 10));
    return seen;
}

TEST(DoorLamp, RedFromTheCapacityOnAndGreenOnlyTheHysteresisBelowIt)
{
    // The default: red exactly while the hall is full.
    EXPECT_EQ(Walk({}, {9, 10, 11, 10, 9, 10}), Seen({R, G, R}));
    // Three below: a hall at its limit keeps the door red.
    EXPECT_EQ(Walk({.hysteresis = 3}, {10, 9, 8, 9, 10, 8, 7, 8}), Seen({R, G}));
    // With a warning level amber comes before red, and after it once red goes.
    EXPECT_EQ(Walk({.hysteresis = 2, .warnPercent = 70}, {6, 7, 9, 10, 9, 8, 6}), Seen({A, R, A, G}));
    // A hysteresis below 1 acts as 1; one as large as the capacity still
    // lets an emptied hall go green.
    EXPECT_EQ(Walk({.hysteresis = 0}, {10, 9}), Seen({R, G}));
    EXPECT_EQ(Walk({.hysteresis = 50}, {10, 1, 0}), Seen({R, G}));
}

TEST(DoorLamp, FollowsResetsJumpsAndNewCapacitiesAndStartsWithoutTellingItsState)
{
    Seen seen;
    DoorLamp lamp({.hysteresis = 2}, 12, 10, [&](LampState state) { seen.push_back(state); });
    EXPECT_EQ(lamp.State(), R);
    EXPECT_TRUE(seen.empty()) << "the start state is read, not told";

    // A reset while red: green at once.
    lamp.HallChanged(Count(0, 10));
    // Another door's count jumps over the capacity.
    lamp.HallChanged(Count(14, 10));
    // A larger capacity: still held red within the hysteresis, then green.
    lamp.CapacityChanged(15);
    EXPECT_EQ(lamp.State(), R);
    lamp.CapacityChanged(16);
    // A smaller one makes the same count full.
    lamp.CapacityChanged(14);
    EXPECT_EQ(seen, Seen({G, R, G, R}));
}

TEST(DoorLamp, ABlindBarrierOrALostPortShowsRedOnlyWhenAskedTo)
{
    Seen seen;
    DoorLamp lamp({}, 2, 10, [&](LampState state) { seen.push_back(state); });
    lamp.HallReported(Report(HallSource::EntryBlocked));
    lamp.HallReported(Report(HallSource::PortLost));
    EXPECT_TRUE(seen.empty());

    lamp.SetRules({.redOnFault = true});
    // Red until every fault has cleared; a flickering barrier still counts.
    lamp.HallReported(Report(HallSource::EntryClear));
    lamp.HallReported(Report(HallSource::ExitFlickering));
    lamp.HallReported(Report(HallSource::PortBack));
    lamp.HallReported(Report(HallSource::ExitBlocked));
    lamp.HallReported(Report(HallSource::ExitClear));
    EXPECT_EQ(seen, Seen({R, G, R, G}));
}

} // namespace
