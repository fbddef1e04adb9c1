// The door link under faults, with a real mosquitto: doors cut off (through
// a relay the test cuts), restarted without their state, doors of one name
// and rogue publishers. No door has a clock that could decide anything: the
// link takes no time at all, so clocks set minutes apart change nothing.
#include "BrokerRelay.h"
#include "MosquittoBroker.h"
#include "TestDoor.h"

#include "link/LinkTexts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

DoorLinkSettings Settings(const MosquittoBroker &broker, const std::string &door, const std::string &address = {})
{
    DoorLinkSettings settings;
    settings.door = door;
    settings.broker = address.empty() ? broker.Address() : address;
    settings.stateFile = broker.Folder() / (door + ".json");
    return settings;
}

void Pass(TestDoor &door, DoorPassage passage, int times)
{
    for (int i = 0; i < times; ++i)
        ASSERT_TRUE(door.Link().LocalPassage(passage));
}

bool Both(const TestDoor &a, const TestDoor &b, std::int32_t count)
{
    return WaitFor([&] { return a.Shows(count) && b.Shows(count); });
}

bool Cut(BrokerRelay &relay, TestDoor &door, bool silently = false)
{
    relay.Cut(silently);
    return WaitFor([&] { return !door.Heard().connected; });
}

bool Heal(BrokerRelay &relay, TestDoor &door)
{
    const int ups = door.Heard().ups;
    relay.Heal();
    return WaitFor([&] { return door.Heard().ups > ups; });
}

bool HasNotice(const TestDoor &door, const std::string &notice)
{
    const auto notices = door.Heard().notices;
    return std::find(notices.begin(), notices.end(), notice) != notices.end();
}

TEST(DoorFaults, ResetsWipeOnlyWhatTheResettingDoorKnew)
{
    MosquittoBroker broker;
    BrokerRelay relay(broker.Address());
    TestDoor nord(Settings(broker, "Nord", relay.Address()));
    TestDoor sued(Settings(broker, "Süd"));
    TopicWatch watch(broker.Address(), "halle");
    ASSERT_TRUE(WaitFor([&] { return nord.Heard().connected && sued.Heard().connected; }));

    // Every door connected: a reset at either door wipes the other's passages.
    Pass(nord, DoorPassage::In, 5);
    ASSERT_TRUE(Both(nord, sued, 5));
    sued.Link().LocalReset();
    ASSERT_TRUE(Both(nord, sued, 0));
    Pass(sued, DoorPassage::In, 5);
    ASSERT_TRUE(Both(nord, sued, 5));
    nord.Link().LocalReset();
    ASSERT_TRUE(Both(nord, sued, 0));

    // Nord resets while cut off, Süd counts meanwhile: what Nord did not
    // know of stays counted.
    Pass(sued, DoorPassage::In, 1);
    ASSERT_TRUE(Both(nord, sued, 1));
    ASSERT_TRUE(Cut(relay, nord));
    nord.Link().LocalReset();
    Pass(sued, DoorPassage::In, 5);
    EXPECT_TRUE(WaitFor([&] { return nord.Shows(0) && sued.Shows(6); }));
    ASSERT_TRUE(Heal(relay, nord));
    EXPECT_TRUE(Both(nord, sued, 5)) << nord.Link().Count() << " " << sued.Link().Count();
    EXPECT_TRUE(WaitFor([&] { return watch.Number("occupancy", "count") == 5; })) << watch.Last("occupancy");

    // Both reset while cut off from each other: one stamp, Süd's name wins
    // everywhere, and what Süd did not know of stays counted.
    ASSERT_TRUE(Cut(relay, nord));
    Pass(nord, DoorPassage::In, 2);
    nord.Link().LocalReset();
    sued.Link().LocalReset();
    Pass(nord, DoorPassage::In, 3);
    EXPECT_TRUE(WaitFor([&] { return nord.Shows(3); }));
    ASSERT_TRUE(Heal(relay, nord));
    EXPECT_TRUE(Both(nord, sued, 5));
    EXPECT_TRUE(WaitFor([&] { return watch.Text("reset", "by") == "Süd"; })) << watch.Last("reset");
}

TEST(DoorFaults, ExitsAtADoorThatBelievesTheHallEmptyAreCounted)
{
    MosquittoBroker broker;
    BrokerRelay relay(broker.Address());
    TestDoor nord(Settings(broker, "Nord"));
    TestDoor sued(Settings(broker, "Süd", relay.Address()));
    TopicWatch watch(broker.Address(), "halle");
    ASSERT_TRUE(WaitFor([&] { return nord.Heard().connected && sued.Heard().connected; }));
    Pass(nord, DoorPassage::In, 1);
    ASSERT_TRUE(Both(nord, sued, 1));
    Pass(sued, DoorPassage::Out, 1);
    ASSERT_TRUE(Both(nord, sued, 0));

    ASSERT_TRUE(Cut(relay, sued));
    Pass(nord, DoorPassage::In, 3);
    Pass(sued, DoorPassage::Out, 3);
    EXPECT_TRUE(WaitFor([&] { return nord.Shows(3) && sued.Shows(0); })) << "never below 0";
    ASSERT_TRUE(Heal(relay, sued));
    ASSERT_TRUE(WaitFor([&] { return watch.Number("door/Süd", "out") == 4; })) << watch.Last("door/Süd");
    EXPECT_TRUE(Both(nord, sued, 0));
    EXPECT_TRUE(WaitFor([&] { return watch.Number("occupancy", "count") == 0; })) << watch.Last("occupancy");
    Pass(sued, DoorPassage::In, 2);
    EXPECT_TRUE(Both(nord, sued, 2));
}

TEST(DoorFaults, ASilentlyCutDoorNoticesItAndCatchesUpAfterTheHeal)
{
    MosquittoBroker broker;
    BrokerRelay relay(broker.Address());
    TestDoor nord(Settings(broker, "Nord", relay.Address()));
    TestDoor sued(Settings(broker, "Süd"));
    ASSERT_TRUE(WaitFor([&] { return nord.Heard().connected && sued.Heard().connected; }));
    Pass(nord, DoorPassage::In, 1);
    ASSERT_TRUE(Both(nord, sued, 1));

    // Nothing gets through and nothing is closed: the keep-alive finds out.
    ASSERT_TRUE(Cut(relay, nord, true));
    EXPECT_EQ(nord.Heard().reason, ConnectionLostText(relay.Address()));
    Pass(nord, DoorPassage::In, 1);
    Pass(sued, DoorPassage::In, 2);
    EXPECT_TRUE(WaitFor([&] { return nord.Shows(2) && sued.Shows(3); }));
    ASSERT_TRUE(Heal(relay, nord));
    EXPECT_TRUE(Both(nord, sued, 4));
}

TEST(DoorFaults, ForgedAndBrokenMessagesAreNotBelieved)
{
    MosquittoBroker broker;
    TestDoor nord(Settings(broker, "Nord"));
    TestDoor sued(Settings(broker, "Süd"));
    TopicWatch watch(broker.Address(), "halle");
    ASSERT_TRUE(WaitFor([&] { return nord.Heard().connected && sued.Heard().connected; }));
    Pass(nord, DoorPassage::In, 11);
    Pass(nord, DoorPassage::Out, 2);
    ASSERT_TRUE(Both(nord, sued, 9));
    ASSERT_TRUE(WaitFor([&] { return watch.Number("door/Nord", "in") == 11; }));
    const std::string nordRun = watch.Text("door/Nord", "instance");

    for (const char *broken : {R"({"in":9007199254740992,"out":0,"clock":0,"instance":"x","online":true})",
                               R"({"in":2147483648,"out":0,"clock":0,"instance":"x"})",
                               R"({"in":50,"out":"0","clock":0,"instance":"x"})", R"({"in":50})"})
        watch.Publish("door/West", broken);
    // A copy of Nord's messages with more passages, while Nord is online.
    watch.Publish("door/Nord", R"({"in":50,"out":2,"clock":0,"instance":"forged","online":true})");
    // Resets stamped far ahead, or by the wall clock as before.
    watch.Publish("reset", R"({"stamp":9007199254740991,"by":"Süd","doors":{"Nord":{"in":11,"out":2}}})");
    watch.Publish("reset", R"({"epoch":"9999-12-31T23:59:59.999Z/Süd","at":"…","by":"Süd"})");
    watch.Publish("occupancy", R"({"count":999,"capacity":5,"placesLeft":0,"state":"full"})");

    // Nord put its topic right; the hall's count is what the doors counted.
    EXPECT_TRUE(WaitFor([&] { return watch.Text("door/Nord", "instance") == nordRun; })) << watch.Last("door/Nord");
    EXPECT_TRUE(WaitFor([&] { return watch.Number("occupancy", "count") == 9; })) << watch.Last("occupancy");
    Pass(sued, DoorPassage::In, 1);
    EXPECT_TRUE(Both(nord, sued, 10));
    // A later reset is still the newest.
    sued.Link().LocalReset();
    EXPECT_TRUE(Both(nord, sued, 0));
    EXPECT_TRUE(WaitFor([&] { return watch.Number("reset", "stamp") == 1; })) << watch.Last("reset");
    EXPECT_FALSE(HasNotice(nord, DuplicateDoorText("Nord"))) << "one copy is no second door";
}

TEST(DoorFaults, TwoDoorsOfOneNameFindEachOtherOutAndStopSending)
{
    MosquittoBroker broker;
    TestDoor first(Settings(broker, "Nord"));
    DoorLinkSettings copied = Settings(broker, "Nord");
    copied.stateFile = broker.Folder() / "copy.json";
    ASSERT_TRUE(WaitFor([&] { return first.Heard().connected; }));
    TestDoor second(copied);
    const std::string text = DuplicateDoorText("Nord");
    EXPECT_TRUE(WaitFor([&] { return HasNotice(first, text) && HasNotice(second, text); }));
    EXPECT_EQ(first.Heard().reason, text);
    EXPECT_EQ(second.Heard().reason, text);
    EXPECT_FALSE(first.Heard().connected);
    EXPECT_EQ(broker.Logged("already connected"), 0) << "neither pushed the other off the broker";
}

TEST(DoorFaults, ADoorWithoutItsStateTakesItsTotalsFromTheOthers)
{
    MosquittoBroker broker;
    TestDoor nord(Settings(broker, "Nord"));
    TestDoor sued(Settings(broker, "Süd"));
    ASSERT_TRUE(WaitFor([&] { return nord.Heard().connected && sued.Heard().connected; }));
    Pass(nord, DoorPassage::In, 19);
    Pass(sued, DoorPassage::In, 2);
    Pass(nord, DoorPassage::Out, 1);
    ASSERT_TRUE(Both(nord, sued, 20));

    // The broker restarts without its retained messages; Nord loses its state file.
    const int ups = sued.Heard().ups;
    broker.Stop();
    nord.Link().Stop();
    std::filesystem::remove(nord.settings.stateFile);
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(WaitFor([&] { return sued.Heard().ups > ups; }));
    nord.Restart();
    EXPECT_TRUE(WaitFor([&] { return HasNotice(nord, RecoveredText(19, 1)); })) << nord.Heard().notices.size();
    Pass(nord, DoorPassage::In, 1);
    EXPECT_TRUE(Both(nord, sued, 21)) << nord.Link().Count() << " " << sued.Link().Count();
}

} // namespace
