#include "MosquittoBroker.h"
#include "TestDoor.h"

#include "link/LinkTexts.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

using namespace std::chrono;

DoorLinkSettings Settings(const MosquittoBroker &broker, const std::string &door)
{
    DoorLinkSettings settings;
    settings.door = door;
    settings.broker = broker.Address();
    settings.stateFile = broker.Folder() / (door + ".json");
    return settings;
}

// Three doors of one hall, each with its own passages as a reference.
struct Hall {
    explicit Hall(const MosquittoBroker &broker)
        : doors{std::make_unique<TestDoor>(Settings(broker, "Nord")),
                std::make_unique<TestDoor>(Settings(broker, "Süd")),
                std::make_unique<TestDoor>(Settings(broker, "West"))}
    {
    }

    // A passage at a door; an exit only where the door let in more than it
    // let out, so that no door ever sees the hall empty before an exit,
    // whatever it has not heard yet.
    void Pass(std::size_t door, bool out)
    {
        out = out && in[door] > this->out[door];
        ASSERT_TRUE(doors[door]->Link().LocalPassage(out ? DoorPassage::Out : DoorPassage::In));
        ++(out ? this->out : in)[door];
    }

    std::int32_t Count() const
    {
        std::int64_t count = 0;
        for (std::size_t door = 0; door < doors.size(); ++door)
            count += in[door] - out[door];
        return static_cast<std::int32_t>(count);
    }

    bool AllShow(std::int32_t count) const
    {
        return std::all_of(doors.begin(), doors.end(), [count](const auto &door) { return door->Shows(count); });
    }

    // After every door agreed on the count: what a reset makes of it.
    void Reset()
    {
        in.fill(0);
        out.fill(0);
    }

    std::array<std::unique_ptr<TestDoor>, 3> doors;
    std::array<std::int64_t, 3> in{};
    std::array<std::int64_t, 3> out{};
};

std::string Names(const std::vector<RemoteReset> &resets)
{
    std::string names;
    for (const RemoteReset &reset : resets)
        names += reset.by + " ";
    return names;
}

// What the doors show, for a failure's message.
std::string Describe(const Hall &hall, const TopicWatch &watch)
{
    std::string text = "reference " + std::to_string(hall.Count());
    for (const auto &door : hall.doors)
        text += "\n" + door->settings.door + " shows " + std::to_string(door->Link().Count()) + ", heard resets by " +
                Names(door->Heard().resets) + ", topic " + watch.Last("door/" + door->settings.door);
    return text;
}

TEST(DoorLink, ThreeDoorsKeepOneCountThroughBrokerAndDoorRestarts)
{
    MosquittoBroker::Options persistent;
    persistent.persistent = true;
    MosquittoBroker broker(persistent);
    Hall hall(broker);
    TopicWatch watch(broker.Address(), "halle");
    std::mt19937 random(22);
    const auto pass = [&](int passages) {
        for (int i = 0; i < passages; ++i)
            hall.Pass(random() % 3, random() % 5 < 2);
    };
    const auto agree = [&] {
        const std::int32_t count = hall.Count();
        return WaitFor([&] { return hall.AllShow(count); });
    };
    for (int round = 0; round < 10; ++round) {
        switch (round % 3) {
        case 0:
            pass(1000);
            break;
        case 1: {
            // The broker goes with messages on their way; the doors count
            // on, and one restarts meanwhile, from its state file alone.
            std::array<int, 3> ups{};
            for (std::size_t door = 0; door < 3; ++door)
                ups[door] = hall.doors[door]->Heard().ups;
            broker.Stop();
            pass(500);
            hall.doors[round % 3]->Restart();
            pass(500);
            ASSERT_TRUE(broker.Start());
            for (std::size_t door = 0; door < 3; ++door)
                ASSERT_TRUE(WaitFor([&] { return hall.doors[door]->Heard().ups > ups[door]; })) << door;
            ASSERT_TRUE(agree()) << "round " << round << ": " << Describe(hall, watch);
            break;
        }
        case 2:
            pass(500);
            hall.doors[(round / 3) % 3]->Restart();
            pass(500);
            break;
        }
    }
    EXPECT_TRUE(agree()) << Describe(hall, watch);
    EXPECT_TRUE(WaitFor([&] { return watch.Number("occupancy", "count") == hall.Count(); }));
    for (std::size_t door = 0; door < 3; ++door) {
        const std::string topic = "door/" + hall.doors[door]->settings.door;
        EXPECT_TRUE(WaitFor([&] {
            return watch.Number(topic, "in") == hall.in[door] && watch.Number(topic, "out") == hall.out[door];
        })) << watch.Last(topic);
    }
    for (const auto &door : hall.doors)
        EXPECT_TRUE(door->Heard().notices.empty() && door->Heard().resets.empty()) << door->settings.door;
}

TEST(DoorLink, ResetsDuringTrafficAndAtOneMomentEndInOneEpochEverywhere)
{
    MosquittoBroker broker;
    Hall hall(broker);
    TopicWatch watch(broker.Address(), "halle");
    std::mt19937 random(21);
    for (int i = 0; i < 300; ++i)
        hall.Pass(random() % 3, random() % 2 == 0);
    ASSERT_TRUE(WaitFor([&] { return hall.AllShow(hall.Count()); })) << Describe(hall, watch);

    // Nord resets while Süd and West count on, before they heard of it.
    hall.doors[0]->Link().LocalReset();
    hall.Reset();
    for (int i = 0; i < 300; ++i)
        hall.Pass(1 + random() % 2, random() % 3 == 0);
    EXPECT_TRUE(WaitFor([&] { return hall.AllShow(hall.Count()); })) << Describe(hall, watch);
    EXPECT_TRUE(WaitFor([&] { return hall.doors[1]->Heard().resets.size() == 1; }));
    EXPECT_TRUE(WaitFor([&] { return hall.doors[2]->Heard().resets.size() == 1; }));
    EXPECT_EQ(hall.doors[1]->Heard().resets.front().by, "Nord");
    EXPECT_EQ(hall.doors[1]->Heard().resets.front().epoch, "1/Nord");
    EXPECT_TRUE(hall.doors[0]->Heard().resets.empty()) << "its own reset is no news to Nord";

    // Süd and West reset at one moment: one stamp, West's name comes later.
    hall.doors[1]->Link().LocalReset();
    hall.doors[2]->Link().LocalReset();
    hall.Reset();
    for (int i = 0; i < 300; ++i)
        hall.Pass(random() % 3, random() % 3 == 0);
    EXPECT_TRUE(WaitFor([&] { return hall.AllShow(hall.Count()); })) << Describe(hall, watch);
    EXPECT_TRUE(WaitFor([&] { return watch.Text("reset", "by") == "West"; }));
    const std::int64_t stamp = watch.Number("reset", "stamp");
    EXPECT_TRUE(stamp == 2 || stamp == 3) << stamp;
    // A door sends its totals when it counts; they carry the reset's stamp.
    for (std::size_t door = 0; door < 3; ++door) {
        hall.Pass(door, false);
        const std::string topic = "door/" + hall.doors[door]->settings.door;
        EXPECT_TRUE(WaitFor([&] { return watch.Number(topic, "clock") == stamp; })) << topic << watch.Last(topic);
    }
    const std::string epoch = std::to_string(stamp) + "/West";
    EXPECT_TRUE(WaitFor([&] { return Names(hall.doors[0]->Heard().resets).ends_with("West "); }))
        << Names(hall.doors[0]->Heard().resets);
    EXPECT_EQ(hall.doors[0]->Heard().resets.back().epoch, epoch);
    EXPECT_TRUE(Names(hall.doors[1]->Heard().resets).ends_with("West ")) << "Süd's own epoch lost to West's";
}

TEST(DoorLink, ADoorOfflineStillCountsAndTakesItsTotalsBackFromTheBroker)
{
    MosquittoBroker broker;
    Hall hall(broker);
    TopicWatch watch(broker.Address(), "halle");
    ASSERT_TRUE(WaitFor([&] { return hall.doors[2]->Heard().connected; }));
    for (bool out : {false, false, false, false, false, true})
        hall.Pass(2, out);
    ASSERT_TRUE(WaitFor([&] { return hall.AllShow(4); }));

    // West stops: it says so, with its totals, which the others go on counting.
    hall.doors[2]->Link().Stop();
    EXPECT_TRUE(WaitFor([&] {
        return watch.Last("door/West").find(R"("online":false)") != std::string::npos &&
               watch.Number("door/West", "in") == 5 && watch.Number("door/West", "out") == 1;
    })) << watch.Last("door/West");
    // Only ins: a door that shows the sum has heard everything.
    for (std::size_t door : {0, 0, 0, 1})
        hall.Pass(door, false);
    EXPECT_TRUE(WaitFor([&] { return hall.doors[0]->Shows(8) && hall.doors[1]->Shows(8); }));
    EXPECT_TRUE(WaitFor([&] {
        return watch.Last("occupancy").starts_with(R"({"capacity":5,"count":8,"placesLeft":0,"state":"full",)");
    })) << watch.Last("occupancy");

    // West comes back without its state file: its retained topic has its totals.
    std::filesystem::remove(hall.doors[2]->settings.stateFile);
    const auto toldBefore = hall.doors[0]->Heard().counts.size();
    hall.doors[2]->Restart();
    EXPECT_TRUE(WaitFor([&] { return hall.doors[2]->Heard().connected && hall.doors[2]->Link().Count() == 8; }))
        << hall.doors[2]->Link().Count();
    EXPECT_TRUE(WaitFor([&] { return watch.Last("door/West").find(R"("online":true)") != std::string::npos; }));
    hall.Pass(2, true);
    EXPECT_TRUE(WaitFor([&] { return hall.AllShow(7); }));
    const auto told = hall.doors[0]->Heard().counts;
    EXPECT_EQ(std::vector<std::int32_t>(told.begin() + static_cast<std::ptrdiff_t>(toldBefore), told.end()),
              std::vector<std::int32_t>{7})
        << "Nord's count did not jump while West came back";
}

TEST(DoorLink, AWrongPasswordGivesOneNoticeAndTheDoorCountsOn)
{
    MosquittoBroker::Options login;
    login.user = "nord";
    login.password = "geheim";
    MosquittoBroker broker(login);
    DoorLinkSettings settings = Settings(broker, "Nord");
    settings.user = "nord";
    settings.password = "falsch";
    TestDoor refused(settings);
    // Two refusals, seen in the broker's log.
    ASSERT_TRUE(WaitFor([&] { return broker.Logged("disconnected, not authorised") >= 2; }));
    EXPECT_EQ(refused.Heard().notices, std::vector<std::string>{kLoginRefusedText});
    EXPECT_FALSE(refused.Heard().connected);
    EXPECT_EQ(refused.Heard().reason, kLoginRefusedText);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(refused.Link().LocalPassage(DoorPassage::In));
    EXPECT_TRUE(WaitFor([&] { return refused.Shows(3); }));

    settings.door = "Süd";
    settings.stateFile = broker.Folder() / "Süd.json";
    settings.password = "geheim";
    TestDoor welcome(settings);
    EXPECT_TRUE(WaitFor([&] { return welcome.Heard().connected; }));
    EXPECT_EQ(welcome.Heard().reason, "Verbunden mit dem Hallen-Server „" + broker.Address() + "“.");
    EXPECT_EQ(welcome.Link().Count(), 0);
}

TEST(DoorLink, TrustsTheBrokerOnlyWithTheCertificateOfItsCaFile)
{
    MosquittoBroker::Options tls;
    tls.tls = true;
    MosquittoBroker broker(tls);
    DoorLinkSettings settings = Settings(broker, "Nord");
    settings.caFile = broker.Folder() / "other-ca.pem";
    TestDoor untrusted(settings);
    ASSERT_TRUE(WaitFor([&] { return broker.Logged("alert unknown ca") >= 2; })) << "two handshakes refused";
    const std::string notice = CertificateText(broker.Address(), settings.caFile);
    EXPECT_EQ(untrusted.Heard().notices, std::vector<std::string>{notice});
    EXPECT_EQ(untrusted.Heard().reason, notice);
    EXPECT_TRUE(untrusted.Link().LocalPassage(DoorPassage::In));
    EXPECT_TRUE(WaitFor([&] { return untrusted.Shows(1); }));

    settings.door = "Süd";
    settings.stateFile = broker.Folder() / "Süd.json";
    settings.caFile = broker.Folder() / "ca.pem";
    TestDoor trusted(settings);
    EXPECT_TRUE(WaitFor([&] { return trusted.Heard().connected; })) << trusted.Heard().reason;
}

} // namespace
