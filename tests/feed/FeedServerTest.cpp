#include "FeedClient.h"
#include "../journal/JournalTestSupport.h"

#include "feed/FeedPublisher.h"
#include "feed/FeedServer.h"
#include "feed/FeedHosts.h"
#include "feed/FeedToken.h"
#include "feed/ListenSocket.h"
#include "hall/Hall.h"
#include "journal/JournalCsv.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace {

using namespace std::chrono;

const auto kAt = sys_days(year(2026) / 12 / 9) + hours(13) + minutes(3) + seconds(12);

struct Berlin : ::testing::Environment {
    void SetUp() override { setenv("TZ", "Europe/Berlin", 1), tzset(); }
};
const auto *const kBerlin = ::testing::AddGlobalTestEnvironment(new Berlin);

std::uint16_t Start(FeedServer &server, const FeedServerConfig &config = {})
{
    std::string error;
    EXPECT_TRUE(server.Start(config, error)) << error;
    return server.Port();
}

FeedSnapshot Hall(std::int32_t count, std::int32_t capacity = 5)
{
    return {count, capacity, OccupancyStateOf(count, capacity, 0), kAt, {}, false, false, {}, {}};
}

// An event stream, read to its first message.
std::unique_ptr<FeedClient> Listen(std::uint16_t port, int receiveBuffer = 0, std::uint8_t from = 1,
                                   const std::string &query = {})
{
    auto client = std::make_unique<FeedClient>(port, receiveBuffer, from);
    client->Send("GET /api/v1/events" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_TRUE(client->ReadUntil("data: {") && client->ReadUntil("}\n\n")) << client->Received();
    return client;
}

std::string CountIs(int count)
{
    return "\"count\":" + std::to_string(count) + ",";
}

[[maybe_unused]] long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

TEST(FeedServer, ServesEveryEndpointWithItsHeadersAlsoForHead)
{
    TempFolder folder;
    const auto journal = folder.Path() / "journal.sqlite3";
    {
        JournalWriter::Options options;
        options.file = journal;
        JournalWriter writer(options);
        writer.Append(Row(kAt - hours(13), 60, 7, JournalChange::Started, 0));
        writer.Append(Row(kAt, 60, 1, JournalChange::Up, 1));
        writer.Append(Row(kAt + seconds(2), 60, 5, JournalChange::Reset, 0));
        writer.Append(Row(kAt + days(1), 60, 1, JournalChange::Up, 1)); // another day
        ASSERT_TRUE(writer.Stop());
    }
    FeedServer server;
    FeedServerConfig config;
    config.journal = journal;
    const std::uint16_t port = Start(server, config);

    // As the program feeds it: three in at the entry, one out by RAUS, two in
    // by REIN; 4 of 5 is nearly full at 80 %.
    ::Hall hall(5);
    FeedPublisher publisher(server, 0, 5, 80);
    hall.AddListener(&publisher);
    for (const auto source : {HallSource::EntryBarrier, HallSource::EntryBarrier, HallSource::EntryBarrier,
                              HallSource::Out, HallSource::In, HallSource::In})
        hall.Apply({source, kAt});

    const FeedReply occupancy = Get(port, "/api/v1/occupancy");
    EXPECT_EQ(occupancy.body, R"({"capacity":5,"count":4,"placesLeft":1,"state":"nearlyFull",)"
                              R"("updated":"2026-12-09T14:03:12+01:00","warnings":[]})");
    EXPECT_EQ(occupancy.Header("Content-Type"), "application/json");
    EXPECT_EQ(occupancy.Header("Cache-Control"), "no-store");
    EXPECT_EQ(occupancy.Header("Access-Control-Allow-Origin"), "");
    EXPECT_EQ(occupancy.Header("Vary"), "Origin");

    const FeedReply metrics = Get(port, "/metrics");
    EXPECT_EQ(metrics.Header("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
    for (const char *lines : {"# TYPE pontra_occupancy gauge\npontra_occupancy 4\n",
                              "# TYPE pontra_capacity gauge\npontra_capacity 5\n",
                              "# TYPE pontra_passages_total counter\n"
                              "pontra_passages_total{direction=\"in\",source=\"entry_barrier\"} 3\n"
                              "pontra_passages_total{direction=\"in\",source=\"rein\"} 2\n"
                              "pontra_passages_total{direction=\"out\",source=\"exit_barrier\"} 0\n"
                              "pontra_passages_total{direction=\"out\",source=\"raus\"} 1\n",
                              "# TYPE pontra_barrier_blocked gauge\npontra_barrier_blocked{barrier=\"entry\"} 0\n"
                              "pontra_barrier_blocked{barrier=\"exit\"} 0\n"})
        EXPECT_NE(metrics.body.find(lines), std::string::npos) << lines << "missing in\n" << metrics.body;

    const QJsonObject day =
        QJsonDocument::fromJson(QByteArray::fromStdString(Get(port, "/api/v1/day?date=2026-12-09").body)).object();
    EXPECT_EQ(day["date"], "2026-12-09");
    ASSERT_EQ(day["rows"].toArray().size(), 3);
    EXPECT_EQ(day["rows"][1].toObject(), (QJsonObject{{"time", "2026-12-09T14:03:12+01:00"},
                                                      {"source", "Lichtschranke Eingang"},
                                                      {"sourceCode", 1},
                                                      {"change", "up"},
                                                      {"count", 1},
                                                      {"capacity", 5}}));
    // The CSV is the export's, byte for byte, by either way of asking.
    std::ostringstream csv;
    WriteJournalCsv(csv, JournalReader(journal).Day(year(2026) / 12 / 9));
    for (const FeedReply &reply : {Get(port, "/api/v1/day?date=2026-12-09", "Accept: text/html, text/CSV;q=0.8\r\n"),
                                   Get(port, "/api/v1/day.csv?date=2026-12-09")}) {
        EXPECT_EQ(reply.body, csv.str());
        EXPECT_EQ(reply.Header("Content-Type"), "text/csv; charset=utf-8");
        EXPECT_EQ(reply.Header("Vary"), "Origin, Accept");
    }
    EXPECT_EQ(Get(port, "/api/v1/day?date=2026-12-09", "Accept: text/csv;q=0\r\n").Header("Content-Type"),
              "application/json");
    for (const char *bad : {"/api/v1/day?date=2026-02-30", "/api/v1/day"}) {
        EXPECT_EQ(Get(port, bad).status, 400) << bad;
        EXPECT_EQ(Get(port, bad).body.rfind("Ungültiges Datum", 0), 0u) << bad;
    }

    const FeedReply page = Get(port, "/");
    EXPECT_EQ(page.Header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(page.Header("X-Frame-Options"), "DENY");
    const std::string policy = page.Header("Content-Security-Policy");
    for (const char *rule : {"default-src 'none'", "script-src 'sha256-", "style-src 'sha256-", "img-src data:",
                             "connect-src 'self'", "frame-ancestors 'none'"})
        EXPECT_NE(policy.find(rule), std::string::npos) << rule << " missing in " << policy;
    for (const char *part : {"<html lang=\"de\">", "<meta charset=\"utf-8\">", "data:image/svg+xml;base64,"})
        EXPECT_NE(page.body.find(part), std::string::npos) << part;
    // Nothing to fetch from elsewhere: no file, font or script of its own.
    for (const char *outside : {"http:", "https:", "src=\"/", "href=", "@import", "url("})
        EXPECT_EQ(page.body.find(outside), std::string::npos) << outside;

    for (const char *path : {"/", "/api/v1/occupancy", "/metrics", "/api/v1/day?date=2026-12-09", "/api/v1/events"}) {
        const FeedReply head = Request(port, "HEAD", path);
        EXPECT_EQ(head.status, 200) << path;
        EXPECT_EQ(head.body, "") << path;
        if (std::string(path) != "/api/v1/events") {
            EXPECT_EQ(head.Header("Content-Length"), std::to_string(Get(port, path).body.size())) << path;
        }
    }
    // The stream has no length: its HEAD says none, rather than 0, and ends.
    FeedClient headOfStream(port);
    headOfStream.Send("HEAD /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_TRUE(headOfStream.ReadUntilClosed());
    EXPECT_EQ(Split(headOfStream.Received()).Header("Content-Type"), "text/event-stream");
    EXPECT_EQ(Split(headOfStream.Received()).Header("Content-Length"), "");
    EXPECT_EQ(Split(headOfStream.Received()).body, "");
    for (const char *method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
        const FeedReply refused = Request(port, method, "/api/v1/occupancy", "Content-Length: 3\r\n\r\nabc");
        EXPECT_EQ(refused.status, 405) << method;
        EXPECT_EQ(refused.Header("Allow"), "GET, HEAD");
    }
    EXPECT_EQ(Get(port, "/index.html").status, 404);
    FeedServer withoutJournal;
    EXPECT_EQ(Get(Start(withoutJournal), "/api/v1/day?date=2026-12-09").status, 404);
}

// The stop lamp is told only while it is on: a feed without it stays as it was.
TEST(FeedServer, TellsTheStopLampInTheJsonAndTheMetricsOnlyWhileItIsOn)
{
    FeedServer server;
    const std::uint16_t port = Start(server);
    FeedPublisher publisher(server, 3, 3, 0);
    const auto lampLines = [port] {
        const std::string metrics = Get(port, "/metrics").body;
        return metrics.substr(std::min(metrics.find("# HELP pontra_lamp_state "), metrics.size()));
    };
    const auto lamp = [port] {
        return QJsonDocument::fromJson(QByteArray::fromStdString(Get(port, "/api/v1/occupancy").body))["lamp"];
    };
    EXPECT_TRUE(lamp().isUndefined());
    EXPECT_EQ(lampLines(), "");

    publisher.SetLamp(LampState::Amber);
    EXPECT_EQ(lamp(), "amber");
    EXPECT_EQ(lampLines(), "# HELP pontra_lamp_state 1 für die Farbe, die die Ampel an der Tür zeigt.\n"
                           "# TYPE pontra_lamp_state gauge\npontra_lamp_state{state=\"green\"} 0\n"
                           "pontra_lamp_state{state=\"amber\"} 1\npontra_lamp_state{state=\"red\"} 0\n");
    publisher.SetLamp(LampState::Red);
    EXPECT_EQ(lamp(), "red");
    EXPECT_NE(lampLines().find("pontra_lamp_state{state=\"red\"} 1\n"), std::string::npos);
    // The hall's changes keep it.
    ::Hall hall(3);
    hall.AddListener(&publisher);
    publisher.SetLamp(LampState::Green);
    hall.Apply({HallSource::In, kAt});
    EXPECT_EQ(lamp(), "green");

    publisher.SetLamp(std::nullopt);
    EXPECT_TRUE(lamp().isUndefined());
    EXPECT_EQ(lampLines(), "");
}

TEST(FeedServer, AsksEveryPathForTheTokenWhenItHasOne)
{
    const std::string token = MakeFeedToken();
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(token.size(), 64u);
    EXPECT_NE(token, MakeFeedToken());

    FeedServer server;
    FeedServerConfig config;
    config.token = token;
    const std::uint16_t port = Start(server, config);
    const std::string wrong = token.substr(0, 63) + (token.back() == '0' ? "1" : "0");
    for (const std::string path : {"/", "/metrics?x=1", "/nothing"}) {
        const std::string query = path + (path.find('?') == std::string::npos ? "?" : "&") + "token=";
        for (const FeedReply &refused : {Get(port, path), Get(port, query + wrong), Get(port, query + token.substr(1)),
                                         Get(port, path, "Authorization: Bearer " + wrong + "\r\n"),
                                         Get(port, path, "Authorization: Basic " + token + "\r\n")}) {
            EXPECT_EQ(refused.status, 401) << path;
            EXPECT_EQ(refused.Header("WWW-Authenticate"), "Bearer");
            EXPECT_EQ(refused.body, "Der Zugangsschlüssel fehlt oder stimmt nicht.\n");
        }
        const int found = path == "/nothing" ? 404 : 200;
        EXPECT_EQ(Get(port, query + token).status, found) << path;
        EXPECT_EQ(Get(port, path, "authorization: bearer  " + token + "\r\n").status, found) << path;
    }
}

TEST(FeedServer, SaysInGermanWhyItCannotStart)
{
    FeedServer first;
    FeedServer second;
    FeedServerConfig config;
    config.port = Start(first);
    std::string error;
    const auto refusal = [&](const std::string &address) {
        config.bindAddress = address;
        EXPECT_FALSE(second.Start(config, error));
        EXPECT_FALSE(second.Running());
        return error;
    };
    const std::string port = std::to_string(config.port);
    EXPECT_EQ(refusal("127.0.0.1"), "Die Live-Anzeige kann nicht starten: Port " + port + " ist schon belegt.");
    EXPECT_EQ(refusal("192.0.2.1"),
              "Die Live-Anzeige kann nicht starten: die Adresse 192.0.2.1 gibt es auf diesem Rechner nicht.");
    EXPECT_EQ(refusal("halle.local"), "Die Live-Anzeige kann nicht starten: „halle.local“ ist keine IP-Adresse.");
    config.port = 0;
    EXPECT_EQ(refusal("0.0.0.0"), "Die Live-Anzeige kann nicht starten: für die Adresse 0.0.0.0 fehlt der "
                                  "Zugangsschlüssel.");
    config.port = first.Port();
    EXPECT_EQ(Get(config.port, "/api/v1/occupancy").status, 200); // the first one serves on

    // Stopped, its port is free at once.
    first.Stop();
    config.bindAddress = "127.0.0.1";
    EXPECT_TRUE(second.Start(config, error)) << error;
    EXPECT_EQ(Get(config.port, "/api/v1/occupancy").status, 200);

    for (const char *loopback : {"127.0.0.1", "127.8.9.10", "::1"})
        EXPECT_TRUE(IsLoopbackAddress(loopback)) << loopback;
    for (const char *other : {"0.0.0.0", "::", "192.168.1.20", "128.0.0.1", "localhost"})
        EXPECT_FALSE(IsLoopbackAddress(other)) << other;
}

TEST(FeedServer, AnswersOversizedMalformedAndSilentRequests)
{
    FeedServer server;
    FeedServerConfig config;
    config.idleTimeout = seconds(1);
    const std::uint16_t port = Start(server, config);

    // From the request line to the empty line, 8 KiB at most.
    const std::string start = "GET /api/v1/occupancy HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nX-Pad: ";
    for (const auto &[size, status] : {std::pair{8192u, 200}, {8193u, 431}, {9216u, 431}, {65536u, 431}}) {
        FeedClient client(port);
        client.Send(start + std::string(size - start.size() - 4, 'a') + "\r\n\r\n");
        EXPECT_TRUE(client.ReadUntilClosed());
        EXPECT_EQ(Split(client.Received()).status, status) << size;
    }
    for (const char *malformed : {"GET /api/v1/occupancy HTTP/1.1 extra\r\n\r\n", "GET  HTTP/1.1\r\n\r\n",
                                  "GET / HTTP/1.1\r\nNo colon here\r\n\r\n"}) {
        FeedClient client(port);
        client.Send(malformed);
        EXPECT_TRUE(client.ReadUntilClosed());
        EXPECT_EQ(Split(client.Received()).status, 400) << malformed;
    }
    // Closed once idle for the timeout: one that says nothing, one that stops
    // in the middle of its request.
    FeedClient silent(port);
    FeedClient halfway(port);
    halfway.Send("GET /api/v1/occupancy HTTP/1.1\r\nHost: 12");
    EXPECT_TRUE(silent.ReadUntilClosed());
    EXPECT_TRUE(halfway.ReadUntilClosed());
    EXPECT_EQ(silent.Received() + halfway.Received(), "");
}

TEST(FeedServer, PushesEachChangeAsOneDataLineAndBeatsTheHeartbeat)
{
    FeedServer server;
    server.Publish(Hall(2)); // before the start: the first client sees it
    FeedServerConfig config;
    config.heartbeat = milliseconds(100);
    const std::uint16_t port = Start(server, config);

    const auto stream = Listen(port);
    const FeedReply head = Split(stream->Received());
    EXPECT_EQ(head.Header("Content-Type"), "text/event-stream");
    EXPECT_NE(head.body.find("retry: 1000\n\n"), std::string::npos);
    EXPECT_NE(head.body.find(CountIs(2)), std::string::npos);

    // Each change: one "data:" line of the same JSON as /api/v1/occupancy.
    for (const std::int32_t count : {3, 5, 0}) {
        FeedSnapshot snapshot = Hall(count);
        snapshot.warnings = {"Lichtschranke Eingang unterbrochen seit 14:03:12"};
        stream->Forget();
        server.Publish(snapshot);
        ASSERT_TRUE(stream->ReadUntil(CountIs(count)) && stream->ReadUntil("}\n\n"));
        const std::string &got = stream->Received();
        const std::size_t data = got.find("data: ") + 6;
        EXPECT_EQ(got.substr(data, got.find('\n', data) - data), Get(port, "/api/v1/occupancy").body);
        EXPECT_NE(got.find(R"("warnings":["Lichtschranke Eingang unterbrochen seit 14:03:12"])"), std::string::npos);
    }
    // Quiet: a comment line (": …") keeps the connection alive.
    stream->Forget();
    EXPECT_TRUE(stream->ReadUntil("\n: "));
    EXPECT_EQ(server.Streams(), 1u);
}

// The heartbeat sleeps while no stream is open and beats again for the next.
TEST(FeedServer, BeatsTheHeartbeatForAClientThatComesAfterTheLastOneLeft)
{
    FeedServer server;
    FeedServerConfig config;
    config.heartbeat = milliseconds(100);
    const std::uint16_t port = Start(server, config);
    for (int client = 0; client < 2; ++client) {
        auto stream = Listen(port);
        stream->Forget();
        EXPECT_TRUE(stream->ReadUntil("\n: ")) << client;
        stream.reset();
        ASSERT_TRUE(WaitFor([&] { return server.Streams() == 0; })) << client;
    }
}

TEST(FeedServer, AStalledClientCostsOnlyItsOwnConnection)
{
    FeedServer server;
    const std::uint16_t port = Start(server);
    auto stalled = Listen(port, 4096); // never reads again, its buffer soon full
    const auto reader = Listen(port);
    [[maybe_unused]] const long before = ResidentKiB();

    // 2000 changes of 16 KiB each: 32 MiB if they queued for the stalled one.
    constexpr int kChanges = 2000;
    for (int change = 1; change <= kChanges; ++change) {
        FeedSnapshot snapshot = Hall(change, 99'999);
        snapshot.warnings = {std::string(16 * 1024, 'w')};
        server.Publish(snapshot);
        ASSERT_TRUE(reader->ReadUntil(CountIs(change))) << change;
        reader->Forget();
    }
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) // their own heaps
    EXPECT_LT(ResidentKiB() - before, 8 * 1024);
#endif
    // Reading at last, it gets a few of the changes and then the newest.
    stalled->Forget();
    ASSERT_TRUE(stalled->ReadUntil(CountIs(kChanges)));
    std::size_t messages = 0;
    for (std::size_t at = 0; (at = stalled->Received().find("data: ", at + 1)) != std::string::npos;)
        ++messages;
    EXPECT_LT(messages, 200u);

    // Gone in the middle of a message, without reading the rest.
    stalled.reset();
    for (int change = 1; change <= 50; ++change)
        server.Publish(Hall(change));
    EXPECT_TRUE(reader->ReadUntil(CountIs(50)));
    EXPECT_TRUE(WaitFor([&] { return server.Streams() == 1; }));
}

TEST(FeedServer, RefusesTheConnectionBeyond256AndStopsWithAllOfThemStalled)
{
    FeedServer server;
    const std::uint16_t port = Start(server);
    // Half of them streams that stopped reading, half idle after an answer.
    std::vector<std::unique_ptr<FeedClient>> open;
    for (unsigned i = 0; i < FeedServer::kMaxConnections / 2; ++i) {
        const auto from = static_cast<std::uint8_t>(2 + 2 * i / FeedServer::kMaxPerAddress);
        open.push_back(Listen(port, 4096, from));
        open.push_back(std::make_unique<FeedClient>(port, 0, from));
        open.back()->Send("GET /api/v1/occupancy HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        ASSERT_TRUE(open.back()->ReadUntil("\"warnings\":[]}")) << i;
    }
    FeedClient refused(port, 0, 100);
    EXPECT_TRUE(refused.Connected());
    EXPECT_TRUE(refused.ReadUntilClosed());
    EXPECT_EQ(refused.Received(), "");

    // One leaves: the next one is let in.
    open.back().reset();
    EXPECT_TRUE(WaitFor([&] { return Get(port, "/api/v1/occupancy").status == 200; }));

    for (int change = 0; change < 200; ++change) {
        FeedSnapshot snapshot = Hall(change);
        snapshot.warnings = {std::string(4096, 'w')};
        server.Publish(snapshot);
    }
    server.Stop();
    EXPECT_FALSE(server.Running());
    EXPECT_TRUE(open.front()->ReadUntilClosed());
    EXPECT_FALSE(FeedClient(port).Connected());
}

TEST(FeedServer, FreesTheStreamOfAClientThatLeftAtOnce)
{
    FeedServer server;
    // At the usual heartbeat, no write finds the gone ones for 15 s.
    const std::uint16_t port = Start(server);
    auto stream = Listen(port);
    stream->Reset();
    EXPECT_TRUE(WaitFor([&] { return server.Streams() == 0; }));

    // A page loaded again and again, each time opening and closing a stream:
    // more times than there are places, from one address.
    for (unsigned load = 0; load < FeedServer::kMaxConnections + 44; ++load) {
        ASSERT_NE(Listen(port), nullptr);
        ASSERT_TRUE(WaitFor([&] { return server.Streams() == 0; })) << load;
    }
    EXPECT_EQ(Get(port, "/metrics").status, 200);
}

TEST(FeedServer, KeepsPlacesForClientsWithTheKeyAgainstSlowConnectionsWithout)
{
    FeedServer server;
    FeedServerConfig config;
    config.token = MakeFeedToken();
    config.headerTimeout = seconds(1);
    const std::uint16_t port = Start(server, config);
    const std::string key = "?token=" + config.token;
    const auto page = Listen(port, 0, 1, "?token=" + config.token);

    // 300 connections from 19 other addresses that never finish their header.
    std::vector<std::unique_ptr<FeedClient>> slow;
    for (unsigned i = 0; i < 300; ++i) {
        slow.push_back(std::make_unique<FeedClient>(port, 0, 2 + i / FeedServer::kMaxPerAddress));
        slow.back()->Send("GET /api/v1/occupancy HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ");
    }
    for (int client = 0; client < 30; ++client)
        EXPECT_EQ(Get(port, "/api/v1/occupancy" + key).status, 200) << client;
    server.Publish(Hall(3));
    EXPECT_TRUE(page->ReadUntil(CountIs(3)));
    // The longest waiting ones made room, and the rest end in their time.
    EXPECT_TRUE(slow.front()->ReadUntilClosed());
    EXPECT_TRUE(slow.back()->ReadUntilClosed());
    EXPECT_EQ(slow.back()->Received(), "");
    // A header sent a byte at a time is ended once its time is up and
    // another client comes.
    FeedClient trickle(port, 0, 50);
    trickle.Send("GET /metrics HTTP/1.1\r\n");
    EXPECT_TRUE(WaitFor([&] {
        trickle.Send("X");
        return Get(port, "/metrics" + key).status == 200 && trickle.Closed();
    }));

    // One address, one more than its share: the last closed at once.
    std::vector<std::unique_ptr<FeedClient>> one;
    for (unsigned i = 0; i <= FeedServer::kMaxPerAddress; ++i)
        one.push_back(std::make_unique<FeedClient>(port, 0, 40));
    EXPECT_TRUE(one.back()->ReadUntilClosed());
    EXPECT_EQ(one.back()->Received(), "");

    // Without the key, the answer is 401 before anything else, and the end.
    for (const std::string request : {"POST /nothing HTTP/1.1\r\nHost: evil.example\r\nContent-Length: 9\r\n\r\n",
                                      "GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"}) {
        const FeedReply refused = Exchange(port, request);
        EXPECT_EQ(refused.status, 401) << request;
        EXPECT_EQ(refused.body, "Der Zugangsschlüssel fehlt oder stimmt nicht.\n");
    }
}

TEST(FeedServer, AnswersOnlyUnderItsOwnNamesAndSharesOnlyWithListedOrigins)
{
    FeedServer server;
    FeedServerConfig config;
    config.hosts = {"Anzeige.Halle.example", "192.0.2.7"};
    const std::uint16_t port = Start(server, config);
    const std::string at = ":" + std::to_string(port);
    const auto asked = [&](const std::string &host, const std::string &headers = {}) {
        return Exchange(port, "GET /api/v1/occupancy HTTP/1.1\r\nHost: " + host + "\r\n" + headers
                                  + "Connection: close\r\n\r\n");
    };
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    const std::vector<std::string> own = {"127.0.0.1" + at, "localhost" + at, "LocalHost.", "127.0.0.2",
                                          "[::1]" + at, name, std::string(name) + at, "anzeige.halle.example:8080",
                                          "192.0.2.7"};
    for (const std::string &host : own)
        EXPECT_EQ(asked(host).status, 200) << host;
    const std::vector<std::string> foreign = {"evil.example" + at, "127.0.0.1.evil.example",
                                              "localhost.evil.example" + at, "[::1" + at, "localhost:80x", at,
                                              "192.0.2.8"};
    for (const std::string &host : foreign) {
        const FeedReply refused = asked(host);
        EXPECT_EQ(refused.status, 421) << host;
        EXPECT_EQ(refused.body.rfind("Unter diesem Namen antwortet die Live-Anzeige nicht.", 0), 0u) << host;
    }
    // Only pages from a listed name may read the answer from elsewhere.
    for (const std::string origin : {"http://anzeige.halle.example", "https://ANZEIGE.halle.example:8443"}) {
        const FeedReply shared = asked("127.0.0.1", "Origin: " + origin + "\r\n");
        EXPECT_EQ(shared.Header("Access-Control-Allow-Origin"), origin);
        EXPECT_EQ(shared.Header("Vary"), "Origin");
    }
    const std::vector<std::string> unshared = {"https://evil.example", "http://localhost" + at, "null",
                                               "http://anzeige.halle.example.evil.example",
                                               "file://anzeige.halle.example"};
    for (const std::string &origin : unshared)
        EXPECT_EQ(asked("127.0.0.1", "Origin: " + origin + "\r\n").Header("Access-Control-Allow-Origin"), "")
            << origin;

    for (const char *good : {"halle-1.example", "anzeige", "192.0.2.7", "2001:db8::7", "x.local."})
        EXPECT_TRUE(IsFeedHostName(good)) << good;
    for (const char *bad : {"", "halle.example:8080", "http://halle.example", "*.example", "a..b", "[::1]", "ä.de"})
        EXPECT_FALSE(IsFeedHostName(bad)) << bad;
}

TEST(FeedServer, RefusesRequestsThatCouldBeReadTwoWaysAndEndsTheirConnection)
{
    FeedServer server;
    const std::uint16_t port = Start(server);
    const std::string host = "Host: 127.0.0.1\r\n";
    for (const auto &[request, status] : std::vector<std::pair<std::string, int>>{
             {"GET /metrics HTTP/1.1\r\n\r\n", 400},
             {"GET /metrics HTTP/1.1\r\n" + host + "Host: evil.example\r\n\r\n", 400},
             {"GET /metrics HTTP/1.1\r\n" + host + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
              400},
             {"GET /metrics HTTP/1.1\r\n" + host + "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n", 400},
             {"GET /metrics%00/x HTTP/1.1\r\n" + host + "\r\n", 400},
             {"GET /api/v1/occupancy?x=%00 HTTP/1.1\r\n" + host + "\r\n", 400},
             {"GET /metrics HTTP/1.1\r\n" + host + "Transfer-Encoding: gzip\r\n\r\n", 501},
             {"GET /metrics HTTP/1.1\r\n" + host + "Transfer-Encoding: gzip, chunked\r\n\r\n", 501},
             {"POST /metrics HTTP/1.1\r\n" + host + "Transfer-Encoding: identity\r\n\r\nabc", 501},
         }) {
        // Without "Connection: close": the server ends it, at once.
        const FeedReply refused = Exchange(port, request);
        EXPECT_EQ(refused.status, status) << request;
        EXPECT_EQ(refused.Header("Content-Type"), "text/plain; charset=utf-8") << request;
        EXPECT_EQ(refused.body.find("<"), std::string::npos) << refused.body;
    }
    // HTTP/1.0 needs no Host; a chunked body is read and ignored.
    EXPECT_EQ(Exchange(port, "GET /metrics HTTP/1.0\r\n\r\n").status, 200);
    EXPECT_EQ(Exchange(port, "GET /metrics HTTP/1.1\r\n" + host
                                 + "Transfer-Encoding: Chunked\r\nConnection: close\r\n\r\n3\r\nabc\r\n0\r\n\r\n")
                  .status,
              200);
}

} // namespace
