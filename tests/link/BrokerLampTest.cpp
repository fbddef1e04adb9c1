// The stop lamp through a real mosquitto, as a relay subscribed to its
// topics sees it.
#include "BrokerRelay.h"
#include "MosquittoBroker.h"
#include "TopicRecorder.h"

#include "link/BrokerLamp.h"
#include "link/LinkTexts.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

const std::string kGreen = "tuer/gruen/set";
const std::string kRed = "tuer/rot/set";

BrokerLampSettings Settings(const std::string &broker, seconds refresh = hours(1))
{
    BrokerLampSettings settings;
    settings.broker = broker;
    settings.hall = "halle";
    settings.door = "Nord";
    settings.greenTopic = kGreen;
    settings.redTopic = kRed;
    settings.refresh = refresh;
    return settings;
}

// A relay's view of the lamp's topics.
class LampWatch : public TopicRecorder {
public:
    explicit LampWatch(const std::string &broker) : TopicRecorder(broker, {kGreen, kRed}) {}

    // Each expected without "R:" also takes a retained one: a state that
    // reached the broker before this watch came back.
    bool Shows(const std::string &green, const std::string &red) const
    {
        const auto is = [this](const std::string &topic, const std::string &expected) {
            const std::string last = Last(topic);
            return last == expected || (!expected.starts_with("R:") && last == "R:" + expected);
        };
        return WaitFor([&] { return is(kGreen, green) && is(kRed, red); });
    }
};

using Messages = std::vector<std::string>;

TEST(BrokerLamp, KeepsItsStateRetainedThroughRestartsOfTheProgramAndOfAPersistentBroker)
{
    MosquittoBroker::Options persistent;
    persistent.persistent = true;
    MosquittoBroker broker(persistent);
    LampWatch relay(broker.Address());
    auto lamp = std::make_unique<BrokerLamp>();
    ASSERT_EQ(lamp->Start(Settings(broker.Address())), "");
    lamp->ShowLamp(LampState::Green);
    ASSERT_TRUE(relay.Shows("ON", "OFF"));
    // Amber is "go" too: nothing to send until red.
    lamp->ShowLamp(LampState::Amber);
    lamp->ShowLamp(LampState::Red);
    ASSERT_TRUE(relay.Shows("OFF", "ON"));
    EXPECT_EQ(relay.Heard(kGreen), (Messages{"ON", "OFF"}));
    EXPECT_EQ(relay.Heard(kRed), (Messages{"OFF", "ON"}));
    // A relay that restarts takes the state from the broker.
    EXPECT_TRUE(LampWatch(broker.Address()).Shows("R:OFF", "R:ON"));

    // The broker goes and comes back; the state changed meanwhile.
    broker.Stop();
    lamp->ShowLamp(LampState::Green);
    ASSERT_TRUE(broker.Start());
    EXPECT_TRUE(relay.Shows("ON", "OFF"));

    // The program ends: the door shows red, kept over a restart of the broker.
    lamp.reset();
    EXPECT_TRUE(relay.Shows("OFF", "ON"));
    broker.Stop();
    ASSERT_TRUE(broker.Start());
    LampWatch restarted(broker.Address());
    EXPECT_TRUE(restarted.Shows("R:OFF", "R:ON"));
    // The program starts again and has room.
    lamp = std::make_unique<BrokerLamp>();
    lamp->ShowLamp(LampState::Green);
    ASSERT_EQ(lamp->Start(Settings(broker.Address())), "");
    EXPECT_TRUE(restarted.Shows("ON", "OFF"));
    EXPECT_TRUE(LampWatch(broker.Address()).Shows("R:ON", "R:OFF"));
}

TEST(BrokerLamp, ItsWillsShowRedWhenTheProgramLosesTheBrokerWithoutAGoodbye)
{
    MosquittoBroker broker;
    BrokerRelay network(broker.Address());
    LampWatch relay(broker.Address());
    BrokerLamp lamp;
    lamp.ShowLamp(LampState::Green);
    ASSERT_EQ(lamp.Start(Settings(network.Address())), "");
    ASSERT_TRUE(relay.Shows("ON", "OFF"));

    // As when the program dies: the connections close without a DISCONNECT.
    network.Cut();
    EXPECT_TRUE(relay.Shows("OFF", "ON"));
    EXPECT_TRUE(LampWatch(broker.Address()).Shows("R:OFF", "R:ON"));
    // Back, the lamp sends its state anew.
    network.Heal();
    EXPECT_TRUE(relay.Shows("ON", "OFF"));
}

TEST(BrokerLamp, SendsGreenAgainEveryRefreshWhileTheHallHasRoom)
{
    MosquittoBroker broker;
    LampWatch relay(broker.Address());
    BrokerLamp lamp;
    ASSERT_EQ(lamp.Start(Settings(broker.Address(), seconds(1))), "");
    lamp.ShowLamp(LampState::Amber);
    ASSERT_TRUE(WaitFor([&] { return relay.Heard(kGreen).size() >= 3; }));
    EXPECT_EQ(relay.Heard(kGreen), Messages(relay.Heard(kGreen).size(), "ON"));
    // Red is held by the broker alone.
    EXPECT_EQ(relay.Heard(kRed), (Messages{"OFF"}));

    lamp.ShowLamp(LampState::Red);
    ASSERT_TRUE(relay.Shows("OFF", "ON"));
    lamp.ShowLamp(LampState::Green);
    const std::size_t before = relay.Heard(kGreen).size();
    EXPECT_TRUE(WaitFor([&] { return relay.Heard(kGreen).size() >= before + 2; }));
}

TEST(BrokerLamp, ARestartLeavesTheTopicsStillInUseAloneAndShowsRedWhereNoLongerDriven)
{
    MosquittoBroker broker;
    LampWatch relay(broker.Address());
    BrokerLamp lamp;
    lamp.ShowLamp(LampState::Green);
    BrokerLampSettings settings = Settings(broker.Address());
    ASSERT_EQ(lamp.Start(settings), "");
    ASSERT_TRUE(relay.Shows("ON", "OFF"));

    // Other payloads on the same topics: no red in between.
    settings.on = "1";
    settings.off = "0";
    ASSERT_EQ(lamp.Start(settings), "");
    ASSERT_TRUE(relay.Shows("1", "0"));
    EXPECT_EQ(relay.Heard(kGreen), (Messages{"ON", "1"}));
    EXPECT_EQ(relay.Heard(kRed), (Messages{"OFF", "0"}));

    // The red topic no longer used: it shows red, left to itself.
    settings.redTopic.clear();
    ASSERT_EQ(lamp.Start(settings), "");
    ASSERT_TRUE(WaitFor([&] { return relay.Last(kRed) == "1" && relay.Heard(kGreen).size() == 3; }));
    EXPECT_EQ(relay.Heard(kGreen), (Messages{"ON", "1", "1"}));

    // Another broker: the old one's relays are no longer driven.
    MosquittoBroker other;
    LampWatch otherRelay(other.Address());
    settings.broker = other.Address();
    ASSERT_EQ(lamp.Start(settings), "");
    EXPECT_TRUE(WaitFor([&] { return relay.Last(kGreen) == "0" && otherRelay.Last(kGreen) == "1"; }));

    // No topic at all: nothing runs, and the door shows red.
    settings.greenTopic.clear();
    ASSERT_EQ(lamp.Start(settings), "");
    EXPECT_FALSE(lamp.Running());
    EXPECT_TRUE(WaitFor([&] { return otherRelay.Last(kGreen) == "0"; }));

    settings.broker = "halle:0";
    EXPECT_EQ(lamp.Start(settings), BrokerAddressText("halle:0"));
    EXPECT_FALSE(lamp.Running());
}

} // namespace
