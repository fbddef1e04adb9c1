// The stop lamp through the broker in the whole program, as a relay
// subscribed to its topic sees it.
#include "support/TestApplication.h"

#include "app/LampControl.h"
#include "feed/FeedSnapshot.h"
#include "link/MosquittoBroker.h"
#include "link/TopicRecorder.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

const std::string kRedTopic = "tuer/ampel/rot";

// A reconnection waits up to 2 s between its tries.
template <typename Condition>
bool Eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 30000);
}

// The message the broker keeps on the topic, as a relay that starts now
// gets it; empty when none comes.
std::string Retained(const MosquittoBroker &broker)
{
    const TopicRecorder relay(broker.Address(), {kRedTopic});
    Eventually([&] { return !relay.Last(kRedTopic).empty(); });
    return relay.Last(kRedTopic);
}

// A hall of 3 with its barriers on simulated COM2.
void Start(TestApplication &test, const MosquittoBroker &broker, const std::string &redTopic)
{
    test.ports = {2};
    test.Store({{"Port", 2}, {"MaxCounter", 3}, {"Broker", QString::fromStdString(broker.Address())}});
    if (!redTopic.empty())
        test.Store({{"LampTopicRed", QString::fromStdString(redTopic)}});
    test.Start();
}

TEST(StopLampBrokerTest, TheRedTopicIsOnRetainedFromTheCapacityOnAndOffBelowIt)
{
    MosquittoBroker broker;
    const TopicRecorder relay(broker.Address(), {kRedTopic});
    TestApplication test;
    Start(test, broker, kRedTopic);
    ASSERT_NE(test.app().Lamp(), nullptr);
    EXPECT_TRUE(Eventually([&] { return relay.Last(kRedTopic) == "OFF"; }));

    for (int i = 0; i < 3; ++i)
        test.main().Rein1->trigger();
    EXPECT_TRUE(Eventually([&] { return relay.Last(kRedTopic) == "ON"; }));
    EXPECT_EQ(Retained(broker), "R:ON");
    EXPECT_EQ(test.app().FeedState().lamp, LampState::Red);
    test.main().Raus1->trigger();
    EXPECT_TRUE(Eventually([&] { return relay.Last(kRedTopic) == "OFF"; }));
    EXPECT_EQ(Retained(broker), "R:OFF");
    EXPECT_EQ(test.app().FeedState().lamp, LampState::Green);

    // The program ends: nobody counts, the door shows red.
    test.Stop();
    EXPECT_TRUE(Eventually([&] { return relay.Last(kRedTopic) == "ON"; }));
    EXPECT_EQ(relay.Heard(kRedTopic), std::vector<std::string>({"OFF", "ON", "OFF", "ON"}));
}

TEST(StopLampBrokerTest, WithoutALampTopicNothingButTheDoorLinkIsPublished)
{
    MosquittoBroker broker;
    const TopicRecorder everything(broker.Address(), {"#"});
    TestApplication test;
    Start(test, broker, {});
    for (int i = 0; i < 3; ++i)
        test.main().Rein1->trigger();

    // The door link's count of 3 came; no lamp is made to send anything.
    EXPECT_TRUE(Eventually([&] {
        return everything.Last("pontra/halle/occupancy").find("\"count\":3,") != std::string::npos;
    }));
    EXPECT_EQ(test.app().Lamp(), nullptr);
    EXPECT_EQ(test.app().FeedState().lamp, std::nullopt);
    for (const std::string &topic : everything.Topics())
        EXPECT_TRUE(topic.starts_with("pontra/halle/")) << topic;
}

} // namespace
