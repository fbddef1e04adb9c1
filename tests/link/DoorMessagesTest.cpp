#include "link/DoorMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace std::chrono;

const DoorReset kEpoch{DoorEpoch(5, "Süd"), {{"Süd", {4, 1}}, {"Nord", {7, 3}}}};

TEST(DoorMessages, SayWhatTheDoorsNeedAndRefuseEverythingElse)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const auto now = system_clock::time_point(sys_days(year(2026) / December / 9) + hours(13) + seconds(3));
    const DoorReport report{"0123456789abcdef", true, {7, 3}, 5};
    EXPECT_EQ(EncodeDoorMessage({report, false, {}}, now),
              R"({"clock":5,"in":7,"instance":"0123456789abcdef","online":true,"out":3,)"
              R"("updated":"2026-12-09T14:00:03+01:00"})");
    EXPECT_EQ(EncodeResetMessage(kEpoch, now), R"({"at":"2026-12-09T14:00:03+01:00","by":"Süd",)"
                                               R"("doors":{"Nord":{"in":7,"out":3},"Süd":{"in":4,"out":1}},"stamp":5})");
    EXPECT_EQ(EncodeOccupancy(3, 5, "open", now),
              R"({"capacity":5,"count":3,"placesLeft":2,"state":"open","updated":"2026-12-09T14:00:03+01:00"})");
    EXPECT_EQ(EncodeOccupancy(9, 5, "full", now),
              R"({"capacity":5,"count":9,"placesLeft":0,"state":"full","updated":"2026-12-09T14:00:03+01:00"})");
    EXPECT_EQ(LocalIsoTime(sys_days(year(2026) / July / 1)), "2026-07-01T02:00:00+02:00");
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(LocalIsoTime(sys_days(year(2026) / July / 1)), "2026-07-01T00:00:00+00:00");

    const DoorMessage answer{{"x", false, {DoorTotals::kMost, 0}, DoorEpoch::kMostStamp}, true, {{"Nord", {2, 1}}}};
    const auto door = DecodeDoorMessage(EncodeDoorMessage(answer, now));
    ASSERT_TRUE(door);
    EXPECT_EQ(door->report.totals, answer.report.totals);
    EXPECT_EQ(door->report.clock, DoorEpoch::kMostStamp);
    EXPECT_FALSE(door->report.online);
    EXPECT_TRUE(door->request);
    EXPECT_EQ(door->views, answer.views);
    EXPECT_EQ(DecodeResetMessage(EncodeResetMessage(kEpoch, now)), kEpoch);
    EXPECT_TRUE(DecodeDoorMessage(R"({"in":1,"out":0,"clock":0,"instance":"a","future":[1]})")) << "a field to come";
    const auto earlier = DecodeDoorMessage(R"({"in":4,"out":1,"epoch":"2026-12-09T13:03:12.000Z/Süd","online":true})");
    ASSERT_TRUE(earlier) << "a door of the earlier kind";
    EXPECT_EQ(earlier->report.totals, (DoorTotals{4, 1}));
    EXPECT_EQ(earlier->report.instance, "");
    for (const char *bad :
         {R"({"in":1,"out":-1,"clock":0,"instance":"a"})", R"({"in":1.5,"out":0,"clock":0,"instance":"a"})",
          R"({"in":2147483648,"out":0,"clock":0,"instance":"a"})", R"({"in":9007199254740992,"out":0,"clock":0,"instance":"a"})",
          R"({"in":"1","out":0,"clock":0,"instance":"a"})", R"({"in":1,"clock":0,"instance":"a"})",
          R"({"in":1,"out":0,"instance":"a"})", R"({"in":1,"out":0,"clock":9007199254740992,"instance":"a"})",
          R"({"in":1,"out":0,"clock":0})", R"({"in":1,"out":0,"clock":0,"instance":""})",
          R"({"in":1,"out":0,"clock":0,"instance":"a","online":"ja"})",
          R"({"in":1,"out":0,"clock":0,"instance":"a","request":1})",
          R"({"in":1,"out":0,"clock":0,"instance":"a","views":{"Süd":{"in":-1,"out":0}}})",
          R"({"in":1,"out":0,"clock":0,"instance":"a","views":{"S/d":{"in":1,"out":0}}})",
          R"({"in":1,"out":0,"epoch":5})", R"([1,0,""])", "", "{", "\xff"})
        EXPECT_FALSE(DecodeDoorMessage(bad)) << bad;
    for (const char *bad : {R"({"stamp":0,"by":"Süd","doors":{}})", R"({"stamp":9007199254740992,"by":"Süd","doors":{}})",
                            R"({"stamp":1,"by":"","doors":{}})", R"({"stamp":1,"by":"Süd"})",
                            R"({"stamp":1,"by":"Süd","doors":{"Nord":{"in":2147483648,"out":0}}})",
                            R"({"epoch":"2026-12-09T13:03:12.000Z/Süd","at":"…","by":"Süd"})"})
        EXPECT_FALSE(DecodeResetMessage(bad)) << bad;
}

TEST(DoorMessages, StateFilesOfTheEarlierKindKeepTheirCount)
{
    const DoorStateRecord record{kEpoch, {9, 4}, {{"Nord", {8, 3}}}, 6};
    EXPECT_EQ(DecodeDoorState(EncodeDoorState(record)), record);
    // Totals counted from a reset by the wall clock, by the last round's doors.
    const auto earlier = DecodeDoorState(R"({"epoch":"2262-04-12T00:00:00.000Z/Nord","in":5,"out":1,)"
                                         R"("doors":{"Süd":{"in":4,"out":2}}})");
    ASSERT_TRUE(earlier);
    EXPECT_EQ(*earlier, (DoorStateRecord{{}, {5, 1}, {{"Süd", {4, 2}}}, 0}));
    DoorMerge merge("Nord");
    merge.TakeBack(earlier->own);
    merge.Resume(earlier->clock, earlier->reset, earlier->others);
    EXPECT_EQ(merge.Count(), 6);
    merge.Reset();
    EXPECT_EQ(merge.Epoch(), DoorEpoch(1, "Nord")) << "the year 2262 is no stamp";
}

} // namespace
