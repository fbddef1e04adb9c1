#include "hall/DoorMerge.h"

#include <gtest/gtest.h>

#include <string>

namespace {

DoorReport Said(const char *instance, DoorTotals totals, std::int64_t clock = 0, bool online = true)
{
    return {instance, online, totals, clock};
}

void Pass(DoorMerge &merge, DoorPassage passage, int times)
{
    for (int i = 0; i < times; ++i)
        EXPECT_TRUE(merge.Passage(passage));
}

// Nord and Süd, each with the other's messages handed over by the test:
// what the broker would carry, in any order it likes.
TEST(DoorMerge, ResetsAreBaselinesOrderedByStampsNotByClocks)
{
    DoorMerge nord("Nord");
    DoorMerge sued("Süd");
    const auto tell = [](DoorMerge &from, DoorMerge &to, const char *instance) {
        to.Heard(from.Door(), Said(instance, from.Own(), from.Clock()));
    };
    // Both connected: 5 in at Nord, then a reset at Süd. No clock is asked.
    Pass(nord, DoorPassage::In, 5);
    tell(nord, sued, "n");
    EXPECT_EQ(sued.Count(), 5);
    sued.Reset();
    EXPECT_EQ(sued.Epoch(), DoorEpoch(1, "Süd"));
    EXPECT_EQ(sued.LastReset().baseline.at("Nord"), (DoorTotals{5, 0}));
    EXPECT_TRUE(nord.HeardReset(sued.LastReset()));
    EXPECT_EQ(nord.Count(), 0);
    EXPECT_EQ(sued.Count(), 0);
    EXPECT_EQ(nord.Own(), (DoorTotals{5, 0})) << "running totals survive a reset";

    // Cut off from each other: Nord resets, Süd counts 5 in it has not told.
    Pass(sued, DoorPassage::In, 1);
    tell(sued, nord, "s");
    Pass(sued, DoorPassage::In, 5);
    nord.Reset();
    EXPECT_EQ(nord.Count(), 0);
    // Together again: the reset does not wipe what Nord did not know of.
    tell(sued, nord, "s");
    EXPECT_TRUE(sued.HeardReset(nord.LastReset()));
    tell(nord, sued, "n");
    EXPECT_EQ(nord.Count(), 5);
    EXPECT_EQ(sued.Count(), 5);

    // Two resets that did not hear of each other: the same stamp, the later
    // name wins on both, whichever came first.
    nord.Reset();
    sued.Reset();
    EXPECT_EQ(nord.Epoch().Stamp(), sued.Epoch().Stamp());
    EXPECT_TRUE(nord.HeardReset(sued.LastReset()));
    EXPECT_FALSE(sued.HeardReset(nord.LastReset()));
    EXPECT_EQ(nord.Epoch(), sued.Epoch());
    EXPECT_FALSE(nord.HeardReset(DoorReset{DoorEpoch(1, "Süd"), {}})) << "an older reset, late";
}

TEST(DoorMerge, CountsEveryExitWhileLinkedAndShowsNothingBelowZero)
{
    DoorMerge alone("Nord");
    EXPECT_FALSE(alone.Passage(DoorPassage::Out)) << "one door keeps the rule of one door";

    DoorMerge nord("Nord");
    DoorMerge sued("Süd");
    nord.Heard("Süd", Said("s", {}));
    sued.Heard("Nord", Said("n", {}));
    // Cut off: 3 in at Nord, 3 out at Süd, which believes the hall empty.
    Pass(nord, DoorPassage::In, 3);
    Pass(sued, DoorPassage::Out, 3);
    EXPECT_EQ(sued.Count(), 0);
    EXPECT_EQ(sued.Sum(), -3);
    nord.Heard("Süd", Said("s", sued.Own()));
    sued.Heard("Nord", Said("n", nord.Own()));
    EXPECT_EQ(nord.Count(), 0);
    EXPECT_EQ(sued.Count(), 0);
    Pass(nord, DoorPassage::In, 2);
    EXPECT_EQ(nord.Count(), 2);
}

TEST(DoorMerge, RefusesLowerTotalsFarAheadStampsAndImpostors)
{
    DoorMerge merge("Nord");
    EXPECT_TRUE(merge.Heard("Süd", Said("s1", {9, 2})));
    EXPECT_FALSE(merge.Heard("Süd", Said("s1", {8, 2}))) << "an older message";
    EXPECT_FALSE(merge.Heard("Süd", Said("s1", {DoorTotals::kMost + 1, 2})));
    EXPECT_FALSE(merge.Heard("Nord", Said("x", {50, 0}))) << "the local door is no other door";
    EXPECT_EQ(merge.Count(), 7);

    // A copy of Süd's messages with other totals: taken until Süd speaks again.
    EXPECT_TRUE(merge.Heard("Süd", Said("forged", {50, 2})));
    EXPECT_EQ(merge.Count(), 48);
    EXPECT_TRUE(merge.Heard("Süd", Said("s1", {9, 2})));
    EXPECT_EQ(merge.Count(), 7);
    EXPECT_FALSE(merge.Heard("Süd", Said("forged", {60, 2}))) << "found out for good";
    // Süd restarted with its totals taken back; its earlier run's late goodbye changes nothing.
    EXPECT_TRUE(merge.Heard("Süd", Said("s2", {10, 2})));
    EXPECT_FALSE(merge.Heard("Süd", Said("s1", {9, 2}, 0, false)));
    EXPECT_EQ(merge.Count(), 8);

    // A reset far ahead of every stamp seen is not taken, nor does it stop later resets.
    const DoorReset far{DoorEpoch(DoorEpoch::kMostStamp, "Süd"), {{"Süd", {10, 2}}}};
    EXPECT_FALSE(merge.HeardReset(far));
    EXPECT_EQ(merge.Count(), 8);
    merge.Reset();
    EXPECT_EQ(merge.Epoch(), DoorEpoch(1, "Nord"));
    // One that Süd made while cut off, twice, waits until Süd's clock is heard.
    const DoorReset third{DoorEpoch(3, "Süd"), {{"Süd", {10, 2}}, {"Nord", {0, 0}}}};
    EXPECT_FALSE(merge.HeardReset(third));
    EXPECT_TRUE(merge.Heard("Süd", Said("s2", {11, 2}, 3)));
    EXPECT_EQ(merge.Epoch(), third.epoch);
    EXPECT_EQ(merge.Count(), 1);
    EXPECT_EQ(merge.Clock(), 3);
}

TEST(DoorMerge, TakesItsOwnTotalsBackUnderWhatItCountedSinceTheStart)
{
    DoorMerge merge("Nord");
    merge.Resume(4, {DoorEpoch(4, "Süd"), {{"Süd", {5, 0}}, {"Nord", {2, 0}}}}, {{"Süd", {6, 0}}});
    EXPECT_EQ(merge.Clock(), 4);
    EXPECT_EQ(merge.Count(), 0) << "Nord's totals are not known yet";
    // The broker was away at the start: Nord counts before it knows its totals.
    EXPECT_TRUE(merge.Passage(DoorPassage::In));
    merge.TakeBack({10, 4}); // its state file
    merge.TakeBack({12, 3}); // its topic, with ins the file missed
    EXPECT_EQ(merge.Own(), (DoorTotals{13, 4}));
    EXPECT_EQ(merge.Count(), 1 + (13 - 4 - 2));
    EXPECT_TRUE(merge.Leads());
    EXPECT_TRUE(merge.Heard("Ost", Said("o", {0, 0})));
    EXPECT_TRUE(merge.Heard("Mitte", Said("m", {0, 0})));
    EXPECT_FALSE(merge.Leads()) << "Mitte comes before Nord";
}

} // namespace
