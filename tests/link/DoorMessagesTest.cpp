#include "link/DoorMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace std::chrono;

const DoorEpoch kEpoch(sys_days(year(2026) / December / 9) + hours(13) + minutes(3) + seconds(12), "Süd");

TEST(DoorMessages, SayWhatTheDoorsNeedAndRefuseEverythingElse)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const auto now = system_clock::time_point(kEpoch.At() + seconds(1));
    EXPECT_EQ(EncodeDoorMessage({kEpoch, {7, 3}, true}, now), R"({"epoch":"2026-12-09T13:03:12.000Z/Süd","in":7,)"
                                                              R"("online":true,"out":3,)"
                                                              R"("updated":"2026-12-09T14:03:13+01:00"})");
    EXPECT_EQ(EncodeResetMessage(kEpoch),
              R"({"at":"2026-12-09T14:03:12+01:00","by":"Süd","epoch":"2026-12-09T13:03:12.000Z/Süd"})");
    EXPECT_EQ(EncodeOccupancy(3, 5, "open", now),
              R"({"capacity":5,"count":3,"placesLeft":2,"state":"open","updated":"2026-12-09T14:03:13+01:00"})");
    EXPECT_EQ(EncodeOccupancy(9, 5, "full", now),
              R"({"capacity":5,"count":9,"placesLeft":0,"state":"full","updated":"2026-12-09T14:03:13+01:00"})");
    EXPECT_EQ(LocalIsoTime(sys_days(year(2026) / July / 1)), "2026-07-01T02:00:00+02:00");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(LocalIsoTime(sys_days(year(2026) / July / 1)), "2026-07-01T00:00:00+00:00");

    const auto door = DecodeDoorMessage(EncodeDoorMessage({kEpoch, {9007199254740992, 0}, false}, now));
    ASSERT_TRUE(door);
    EXPECT_EQ(door->epoch, kEpoch);
    EXPECT_EQ(door->totals, (DoorTotals{9007199254740992, 0}));
    EXPECT_FALSE(door->online);
    EXPECT_EQ(DecodeResetMessage(EncodeResetMessage(kEpoch)), kEpoch);
    for (const char *bad : {R"({"in":1,"out":-1,"epoch":""})", R"({"in":1.5,"out":0,"epoch":""})",
                            R"({"in":9007199254740994,"out":0,"epoch":""})", R"({"in":"1","out":0,"epoch":""})",
                            R"({"in":1,"epoch":""})", R"({"in":1,"out":0})", R"({"in":1,"out":0,"epoch":"gestern"})",
                            R"([1,0,""])", "", "{", "\xff"})
        EXPECT_FALSE(DecodeDoorMessage(bad)) << bad;
    EXPECT_FALSE(DecodeResetMessage(R"({"epoch":"2026-12-09T13:03:12Z/Süd"})"));
}

} // namespace
