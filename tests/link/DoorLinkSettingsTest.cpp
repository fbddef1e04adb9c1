#include "MosquittoBroker.h"
#include "TestDoor.h"

#include "link/BrokerAddress.h"
#include "link/DoorLinkSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(BrokerAddress, ReadsHostAndPortInTheOperatorsSpellings)
{
    struct Case {
        const char *text;
        const char *host;
        int port;
    };
    for (const Case &good : {Case{"127.0.0.1:1884", "127.0.0.1", 1884}, Case{"halle.local", "halle.local", 1883},
                             Case{" broker:8883 ", "broker", 8883}, Case{"[::1]:1883", "::1", 1883},
                             Case{"[fe80::1]", "fe80::1", 1883}, Case{"::1", "::1", 1883}}) {
        const auto address = BrokerAddress::Parse(good.text);
        ASSERT_TRUE(address) << good.text;
        EXPECT_EQ(address->host, good.host) << good.text;
        EXPECT_EQ(address->port, good.port) << good.text;
    }
    EXPECT_EQ(BrokerAddress::Parse("[::1]")->Text(), "[::1]:1883");
    for (const char *bad : {"", "  ", ":1883", "host:", "host:0", "host:65536", "host:12a", "host:-1", "[::1", "[::1]x",
                            "[]:1883", "[::1]:", "ho st:1883"})
        EXPECT_FALSE(BrokerAddress::Parse(bad)) << bad;
}

TEST(DoorLinkSettings, NamesTheKeyThatCannotBeUsed)
{
    DoorLinkSettings settings;
    settings.door = "Süd";
    settings.broker = "127.0.0.1:1883";
    EXPECT_EQ(SettingsProblem(settings), "");
    EXPECT_FALSE(DefaultDoorName().empty());

    const auto problem = [&](std::string door, std::string hall, std::string broker) {
        DoorLinkSettings changed = settings;
        changed.door = std::move(door);
        changed.hall = std::move(hall);
        changed.broker = std::move(broker);
        return SettingsProblem(changed);
    };
    EXPECT_EQ(problem("", "halle", "b"), "Die Einstellung „Door“ ist leer; sie muss einen Namen enthalten.");
    EXPECT_EQ(problem("Nord/2", "halle", "b"),
              "Die Einstellung „Door“ darf kein „/“, „+“, „#“ und kein Steuerzeichen enthalten: „Nord/2“.");
    for (const char *bad : {"+", "#", "a\tb"})
        EXPECT_NE(problem("Nord", bad, "b").find("„Hall“ darf kein"), std::string::npos) << bad;
    EXPECT_EQ(problem("Nord", "halle", "b:x"), "Die Einstellung „Broker“ nennt keinen Hallen-Server in der Form "
                                               "Rechner:Port (Port 1 bis 65535): „b:x“.");

    // Refused settings and an unreadable CA file start nothing.
    DoorLink link({});
    EXPECT_NE(link.Start([&] { auto s = settings; s.door.clear(); return s; }()), "");
    settings.caFile = "/nonexistent/ca.pem";
    EXPECT_EQ(link.Start(settings),
              "Die Zertifikatsdatei „/nonexistent/ca.pem“ aus der Einstellung „BrokerCaFile“ lässt sich nicht lesen.");
    EXPECT_FALSE(link.Running());
}

TEST(DoorLink, CountsAloneWhileNoBrokerListens)
{
    // A port that was free a moment ago: nobody listens there.
    std::string address;
    {
        MosquittoBroker gone;
        address = gone.Address();
    }
    DoorLinkSettings settings;
    settings.door = "Nord";
    settings.broker = address;
    TestDoor door(settings);
    EXPECT_TRUE(WaitFor([&] { return !door.Heard().reason.empty(); }));
    EXPECT_EQ(door.Heard().reason, "Der Hallen-Server „" + address + "“ nimmt keine Verbindung an.");
    EXPECT_FALSE(door.Link().LocalPassage(DoorPassage::Out));
    EXPECT_TRUE(door.Link().LocalPassage(DoorPassage::In));
    EXPECT_TRUE(WaitFor([&] { return door.Shows(1); }));
    EXPECT_TRUE(door.Heard().notices.empty()) << "an absent broker is no notice, only the mark";
    door.Link().Stop();
    EXPECT_FALSE(door.Link().Running());
    EXPECT_EQ(door.Link().Count(), 0);
}

} // namespace
