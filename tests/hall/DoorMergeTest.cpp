#include "hall/DoorMerge.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

constexpr auto kMorning = sys_days(year(2026) / December / 9) + hours(10);

system_clock::time_point At(int second)
{
    return system_clock::time_point(kMorning + seconds(second));
}

DoorEpoch Epoch(int second, const char *door)
{
    return DoorEpoch(kMorning + seconds(second), door);
}

TEST(DoorEpoch, OrdersByTimeThenDoorAndReadsOnlyWhatItWrites)
{
    const DoorEpoch nord(kMorning + hours(3) + minutes(3) + seconds(12) + milliseconds(345), "Nord");
    EXPECT_EQ(nord.Id(), "2026-12-09T13:03:12.345Z/Nord");
    EXPECT_EQ(nord.Door(), "Nord");
    const auto read = DoorEpoch::Parse(nord.Id());
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, nord);
    EXPECT_EQ(read->At(), nord.At());
    EXPECT_EQ(DoorEpoch::Parse(""), DoorEpoch()) << "the epoch before any reset";

    const DoorEpoch sued(nord.At(), "Süd");
    const DoorEpoch later(nord.At() + milliseconds(1), "Ost");
    EXPECT_LT(DoorEpoch(), nord);
    EXPECT_LT(nord, sued) << "at the same moment, by the door's name";
    EXPECT_LT(sued, later) << "the later moment first, whatever the names";
    EXPECT_LT(DoorEpoch(sys_days(year(999) / 1 / 1), "Z"), DoorEpoch(sys_days(year(2000) / 1 / 1), "A"));

    for (const char *bad : {"2026-12-09T13:03:12.345Z/", "2026-12-09T13:03:12.345Z", "2026-12-09T13:03:12.345ZNord",
                            "2026-13-09T13:03:12.345Z/Nord", "2026-02-30T13:03:12.345Z/Nord",
                            "2026-12-09T24:03:12.345Z/Nord", "2026-12-09T13:60:12.345Z/Nord",
                            "2026-12-09T13:03:12Z/Nord", "2026-12-09T13:03:12.345+01:00/Nord",
                            "2026-12-09 13:03:12.345Z/Nord", " 026-12-09T13:03:12.345Z/Nord",
                            "+026-12-09T13:03:12.345Z/Nord", "2026-12-9T13:03:12.3456Z/Nord", "Nord"})
        EXPECT_FALSE(DoorEpoch::Parse(bad)) << bad;
}

// The local door is Nord; Süd and West are heard through the broker.
TEST(DoorMerge, KeepsOneCountThroughLostLateAndRepeatedMessagesAndResets)
{
    DoorMerge merge("Nord");
    struct Step {
        const char *what;
        std::function<void()> act;
        std::int64_t count;
        DoorTotals own;
        DoorEpoch epoch;
    };
    const auto passage = [&](DoorPassage direction, int second, bool counts = true) {
        return [&merge, direction, second, counts] { EXPECT_EQ(merge.Passage(direction, At(second)), counts); };
    };
    const auto heard = [&](const char *door, DoorEpoch epoch, DoorTotals totals) {
        return [&merge, door, epoch, totals] { merge.Heard(door, epoch, totals); };
    };
    using P = DoorPassage;
    const DoorEpoch none;
    const DoorEpoch sued = Epoch(60, "Süd");
    const DoorEpoch west = Epoch(60, "West"); // the same moment: the later name wins
    const DoorEpoch nord(west.At() + milliseconds(1), "Nord");
    const std::vector<Step> steps = {
        {"three in at Nord", [&] { for (int s : {1, 2, 3}) passage(P::In, s)(); }, 3, {3, 0}, none},
        {"Süd counts two", heard("Süd", none, {2, 0}), 5, {3, 0}, none},
        {"a late message of Süd's", heard("Süd", none, {1, 0}), 5, {3, 0}, none},
        {"a repeated one", heard("Süd", none, {2, 0}), 5, {3, 0}, none},
        {"West counts four out", heard("West", none, {0, 4}), 1, {3, 0}, none},
        {"West's earlier message, lost and sent again late", heard("West", none, {0, 1}), 1, {3, 0}, none},
        {"out at Nord", passage(P::Out, 4), 0, {3, 1}, none},
        {"out of the empty hall changes nothing", passage(P::Out, 5, false), 0, {3, 1}, none},
        {"the local door's own name is no other door", heard("Nord", none, {50, 0}), 0, {3, 1}, none},
        {"West went offline; Nord counts on", passage(P::In, 50), 1, {4, 1}, none},
        {"after the coming reset", [&] { passage(P::In, 61)(); passage(P::Out, 62)(); }, 1, {5, 2}, none},
        {"Süd reset at 60 s: Nord's passages from then on count again", heard("Süd", sued, {1, 0}), 1, {1, 1}, sued},
        {"a door of the old epoch comes back online", heard("West", none, {9, 0}), 1, {1, 1}, sued},
        {"West reset at the same moment and wins",
         [&] { merge.HeardReset(west); }, 0, {1, 1}, west},
        {"Süd's losing epoch, late", heard("Süd", sued, {7, 0}), 0, {1, 1}, west},
        {"the losing reset heard again", [&] { merge.HeardReset(sued); }, 0, {1, 1}, west},
        {"Süd counts in West's epoch", heard("Süd", west, {3, 0}), 3, {1, 1}, west},
        {"Nord resets with its clock behind West's: still the newest epoch", [&] { merge.Reset(At(30)); }, 0,
         {0, 0}, nord},
        {"West's epoch is old now", heard("Süd", west, {5, 0}), 0, {0, 0}, nord},
        {"more out than in at the other doors", heard("West", nord, {0, 3}), 0, {0, 0}, nord},
        {"no count below 0 until the ins outweigh the outs", heard("Süd", nord, {4, 0}), 1, {0, 0}, nord},
    };
    for (const Step &step : steps) {
        step.act();
        EXPECT_EQ(merge.Count(), step.count) << step.what;
        EXPECT_EQ(merge.Own(), step.own) << step.what;
        EXPECT_EQ(merge.Epoch(), step.epoch) << step.what;
    }
    EXPECT_EQ(merge.Epoch().Id(), "2026-12-09T10:01:00.001Z/Nord");
}

TEST(DoorMerge, TakesItsOwnTotalsBackUnderWhatItCountedSinceTheStart)
{
    const DoorEpoch epoch = Epoch(0, "Süd");
    DoorMerge merge("Nord");
    merge.Heard("Süd", epoch, {5, 0});
    // The broker was away at the start: Nord counts before it knows its totals.
    EXPECT_TRUE(merge.Passage(DoorPassage::In, At(10)));
    EXPECT_TRUE(merge.Passage(DoorPassage::Out, At(11)));
    merge.TakeBack(epoch, {10, 4}); // its state file
    EXPECT_EQ(merge.Own(), (DoorTotals{11, 5}));
    merge.TakeBack(epoch, {12, 3}); // its retained topic, with ins the file missed
    EXPECT_EQ(merge.Own(), (DoorTotals{13, 5}));
    merge.TakeBack(DoorEpoch(), {90, 0}); // of an older epoch
    EXPECT_EQ(merge.Own(), (DoorTotals{13, 5}));
    EXPECT_EQ(merge.Count(), 13);

    // Its own reset that it published and then forgot in a crash.
    const DoorEpoch own = Epoch(5, "Nord");
    merge.TakeBack(own, {2, 0});
    EXPECT_EQ(merge.Epoch(), own);
    EXPECT_EQ(merge.Own(), (DoorTotals{3, 1})) << "the passages since 5 s on top";
    EXPECT_TRUE(merge.Others().empty());

    // Totals from elsewhere are never negative and never overflow.
    merge.Heard("Süd", own, {-4, -9});
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    merge.Heard("West", own, {most, 0});
    merge.Heard("Ost", own, {most, 0});
    EXPECT_EQ(merge.Others().at("Süd"), (DoorTotals{0, 0}));
    EXPECT_EQ(merge.Count(), most - 1) << "the sum of the ins stops at the largest number, less Nord's one out";
}

} // namespace
