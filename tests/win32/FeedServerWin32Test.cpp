// The live feed's server on Winsock, with plain socket clients from the same
// process on loopback; each comes after a server, which starts Winsock.
#include "WinsockClient.h"

#include "feed/FeedServer.h"
#include "feed/HostAddresses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono;

// Polls until condition holds, for a state the server's threads reach; false after 10 s.
template <typename Condition>
bool WaitFor(Condition condition)
{
    const auto end = steady_clock::now() + seconds(10);
    while (!condition() && steady_clock::now() < end)
        std::this_thread::sleep_for(milliseconds(5));
    return condition();
}

std::uint16_t Start(FeedServer &server, const FeedServerConfig &config = {})
{
    std::string error;
    EXPECT_TRUE(server.Start(config, error)) << error;
    return server.Port();
}

FeedSnapshot Hall(std::int32_t count)
{
    return {count, 5, OccupancyStateOf(count, 5, 0), system_clock::now(), {}, false, false, {}, {}};
}

std::string CountIs(int count)
{
    return "\"count\":" + std::to_string(count) + ",";
}

// An event stream, read to its first message.
std::unique_ptr<WinsockClient> Listen(std::uint16_t port, const std::string &query = {})
{
    auto client = std::make_unique<WinsockClient>(port);
    client->Send("GET /api/v1/events" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_TRUE(client->ReadUntil("data: {") && client->ReadUntil("}\n\n")) << client->Received();
    return client;
}

TEST(FeedServerOnWindows, ServesTheStateUnderItsOwnNamesPushesEachChangeAndFreesTheStreamsOfClientsThatLeft)
{
    FeedServer server;
    server.Publish(Hall(2));
    // At the usual heartbeat, no write finds the gone clients within the wait.
    const std::uint16_t port = Start(server);
    const auto [status, state] = Get(port, "/api/v1/occupancy");
    EXPECT_EQ(status, 200);
    EXPECT_NE(state.find(CountIs(2)), std::string::npos) << state;
    char name[256] = {};
    ASSERT_EQ(gethostname(name, sizeof name), 0);
    for (const std::string &host : {std::string(name) + ":" + std::to_string(port), std::string("[::1]")})
        EXPECT_EQ(Get(port, "/api/v1/occupancy", host).first, 200) << host;
    EXPECT_EQ(Get(port, "/api/v1/occupancy", "evil.example").first, 421);
    // The interfaces' addresses as the IP helper gives them, loopback among them.
    const std::vector<std::string> own = OwnAddressBytes();
    EXPECT_NE(std::ranges::find(own, std::string("\x7f\0\0\x01", 4)), own.end());

    const auto closing = Listen(port);
    const auto resetting = Listen(port);
    server.Publish(Hall(3));
    ASSERT_TRUE(closing->ReadUntil(CountIs(3)) && closing->ReadUntil("}\n\n"));
    const std::string &got = closing->Received();
    const std::size_t data = got.rfind("data: ") + 6;
    EXPECT_EQ(got.substr(data, got.find('\n', data) - data), Get(port, "/api/v1/occupancy").second);

    closing->Close();
    EXPECT_TRUE(WaitFor([&] { return server.Streams() == 1; }));
    resetting->Reset();
    EXPECT_TRUE(WaitFor([&] { return server.Streams() == 0; }));
}

TEST(FeedServerOnWindows, KeepsTheStreamOfAClientThatSendsBytesAndFreesItOnceItLeaves)
{
    FeedServer server;
    FeedServerConfig config;
    // Bytes sent hide a later close from the wait: a write finds it, at the heartbeat.
    config.heartbeat = milliseconds(200);
    const std::uint16_t port = Start(server, config);
    const auto talking = Listen(port);
    talking->Send("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    for (const std::int32_t count : {4, 1}) {
        server.Publish(Hall(count));
        EXPECT_TRUE(talking->ReadUntil(CountIs(count))) << count;
    }
    talking->Close();
    EXPECT_TRUE(WaitFor([&] { return server.Streams() == 0; }));
}

TEST(FeedServerOnWindows, ListensOnBothFamiliesKeepsItsPortAndSaysInGermanWhyNot)
{
    FeedServer server;
    FeedServerConfig config;
    config.bindAddress = "::";
    config.token = "k";
    std::string error;
    if (!server.Start(config, error))
        GTEST_SKIP() << "no IPv6 here: " << error;
    const std::uint16_t port = server.Port();
    // "::" takes IPv4 connections too, as on Linux.
    EXPECT_EQ(Get(port, "/api/v1/occupancy?token=k").first, 200);

    // Windows says "in use" or "access denied" (each socket wants the port alone).
    FeedServer second;
    config.port = port;
    const std::string taken = "Die Live-Anzeige kann nicht starten: Port " + std::to_string(port) + " ist schon belegt";
    for (const char *address : {"::", "127.0.0.1"}) {
        config.bindAddress = address;
        EXPECT_FALSE(second.Start(config, error));
        EXPECT_EQ(error.substr(0, taken.size()), taken) << error;
    }
    // Stopped with a stream open, its port is free at once.
    const auto stream = Listen(port, "?token=k");
    server.Stop();
    EXPECT_TRUE(stream->ReadUntilClosed());
    EXPECT_TRUE(second.Start(config, error)) << error;
    EXPECT_EQ(Get(port, "/api/v1/occupancy?token=k").first, 200);

    config.bindAddress = "203.0.113.7";
    EXPECT_FALSE(FeedServer().Start(config, error));
    EXPECT_EQ(error, "Die Live-Anzeige kann nicht starten: die Adresse 203.0.113.7 gibt es auf diesem Rechner nicht.");
}

TEST(FeedServerOnWindows, EndsTheLongestWaitingConnectionForANewcomer)
{
    FeedServer server;
    FeedServerConfig config;
    config.headerTimeout = seconds(30); // ended by the newcomer, not by its time
    const std::uint16_t port = Start(server, config);
    // One more than may wait at once without a whole header, from several addresses.
    std::vector<std::unique_ptr<WinsockClient>> slow;
    for (unsigned i = 0; i <= FeedServer::kMaxUnproven; ++i) {
        slow.push_back(std::make_unique<WinsockClient>(port, 2 + i / FeedServer::kMaxPerAddress));
        slow.back()->Send("GET /api/v1/occupancy HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
    }
    EXPECT_TRUE(slow.front()->ReadUntilClosed());
    EXPECT_EQ(slow.front()->Received(), "");
    EXPECT_EQ(Get(port, "/api/v1/occupancy").first, 200);
}

} // namespace
