#include "barriers/LineDebounce.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Time = LineDebounce::Time;

const Time t0 = Time() + 1h;

// 12 ms off, a flicker on and off again between two readings, 12 ms off:
// the wait that brings the flicker finds the level unchanged but the
// counter two ahead, and the hold starts again from its return.
TEST(LineDebounce, AFlickerBetweenTwoReadingsStartsTheHoldAgain)
{
    LineDebounce line;
    line.SetHold(20ms);
    line.Reset(true, 7, t0);
    line.Read(false, 8, t0);
    EXPECT_EQ(line.Deadline(), t0 + 20ms);
    line.Read(false, 10, t0 + 14ms);
    EXPECT_EQ(line.Deadline(), t0 + 34ms);
    EXPECT_EQ(line.Settle(t0 + 24ms), std::nullopt);
    line.Read(true, 11, t0 + 26ms);
    EXPECT_EQ(line.Deadline(), std::nullopt) << "back before its hold: not taken";
    EXPECT_EQ(line.Settle(t0 + 60ms), std::nullopt);
}

// A look at the line handled after a later one, or a counter read just
// before a change whose level the same reading already shows: neither is
// news, and neither moves the hold.
TEST(LineDebounce, ReadingsThatCrossOrCountBehindTheirLevelChangeNothing)
{
    LineDebounce line;
    line.SetHold(20ms);
    line.Reset(true, 0, t0);
    line.Read(false, 0, t0 + 5ms); // level read after the counters
    EXPECT_EQ(line.Deadline(), t0 + 25ms);
    line.Read(false, 1, t0 + 6ms); // that change's own report
    line.Read(true, 0, t0 + 4ms);  // a wait's report taken before it
    line.Read(true, 0, t0 + 7ms);  // counters behind the ones seen
    EXPECT_EQ(line.Deadline(), t0 + 25ms);
    EXPECT_EQ(line.Settle(t0 + 25ms), false);
}

} // namespace
