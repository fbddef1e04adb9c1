#include "FeedClient.h"
#include "../journal/JournalTestSupport.h"

#include "feed/FeedJson.h"
#include "feed/FeedPublisher.h"
#include "feed/FeedServer.h"
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
#include <vector>

namespace {

using namespace std::chrono;

const auto kAt = sys_days(year(2026) / 12 / 9) + hours(13) + minutes(3) + seconds(12);

struct Berlin : ::testing::Environment {
    void SetUp() override
    {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
};
const auto *const kBerlin = ::testing::AddGlobalTestEnvironment(new Berlin);

FeedServer &Started(FeedServer &server, FeedServerConfig config = {})
{
    std::string error;
    EXPECT_TRUE(server.Start(config, error)) << error;
    return server;
}

FeedSnapshot Snapshot(std::int32_t count, std::int32_t capacity = 5)
{
    FeedSnapshot snapshot;
    snapshot.count = count;
    snapshot.capacity = capacity;
    snapshot.state = OccupancyStateOf(count, capacity, 0);
    snapshot.updated = kAt;
    return snapshot;
}

FeedReply Head(std::uint16_t port, std::string_view path)
{
    return Request(port, "HEAD", path);
}

// An event stream, read up to its first message.
std::unique_ptr<FeedClient> Listen(std::uint16_t port, int receiveBuffer = 0)
{
    auto client = std::make_unique<FeedClient>(port, receiveBuffer);
    client->Send("GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_TRUE(client->ReadUntil("data: {")) << client->Received();
    EXPECT_TRUE(client->ReadUntil("}\n\n"));
    return client;
}

[[maybe_unused]] long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

TEST(FeedServer, ServesEveryEndpointWithItsHeadersAlsoForHead)
{
    TempFolder folder;
    const auto journal = folder.Path() / "journal.sqlite3";
    const std::vector<JournalRow> rows = {
        Row(kAt - hours(13), 60, 7, JournalChange::Started, 0),
        Row(kAt, 60, 1, JournalChange::Up, 1),
        Row(kAt + seconds(2), 60, 5, JournalChange::Reset, 0),
        Row(kAt + days(1), 60, 1, JournalChange::Up, 1), // another day
    };
    {
        JournalWriter::Options options;
        options.file = journal;
        JournalWriter writer(options);
        for (const auto &row : rows)
            writer.Append(row);
        ASSERT_TRUE(writer.Stop());
    }
    FeedServer server;
    FeedServerConfig config;
    config.journal = journal;
    const std::uint16_t port = Started(server, config).Port();

    // The hall as the program feeds it: three in at the entry, one out by
    // RAUS, two in by REIN; 4 of 5 is nearly full at 80 %.
    Hall hall(5);
    FeedPublisher publisher(server, 0, 5, 80);
    hall.AddListener(&publisher);
    for (const auto source : {HallSource::EntryBarrier, HallSource::EntryBarrier, HallSource::EntryBarrier,
                              HallSource::Out, HallSource::In, HallSource::In})
        hall.Apply({source, kAt});

    const FeedReply occupancy = Get(port, "/api/v1/occupancy");
    EXPECT_EQ(occupancy.status, 200);
    EXPECT_EQ(occupancy.body, R"({"capacity":5,"count":4,"placesLeft":1,"state":"nearlyFull",)"
                              R"("updated":"2026-12-09T14:03:12+01:00","warnings":[]})");
    EXPECT_EQ(occupancy.Header("Content-Type"), "application/json");
    EXPECT_EQ(occupancy.Header("Cache-Control"), "no-store");
    EXPECT_EQ(occupancy.Header("Access-Control-Allow-Origin"), "*");

    const FeedReply metrics = Get(port, "/metrics");
    EXPECT_EQ(metrics.Header("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
    for (const char *line : {"# TYPE pontra_occupancy gauge\npontra_occupancy 4\n",
                             "# TYPE pontra_capacity gauge\npontra_capacity 5\n",
                             "# TYPE pontra_passages_total counter\n",
                             "pontra_passages_total{direction=\"in\",source=\"entry_barrier\"} 3\n",
                             "pontra_passages_total{direction=\"in\",source=\"rein\"} 2\n",
                             "pontra_passages_total{direction=\"out\",source=\"exit_barrier\"} 0\n",
                             "pontra_passages_total{direction=\"out\",source=\"raus\"} 1\n",
                             "# TYPE pontra_barrier_blocked gauge\npontra_barrier_blocked{barrier=\"entry\"} 0\n"
                             "pontra_barrier_blocked{barrier=\"exit\"} 0\n"})
        EXPECT_NE(metrics.body.find(line), std::string::npos) << line << " missing in\n" << metrics.body;

    const FeedReply day = Get(port, "/api/v1/day?date=2026-12-09");
    EXPECT_EQ(day.status, 200);
    const QJsonObject dayJson = QJsonDocument::fromJson(QByteArray::fromStdString(day.body)).object();
    EXPECT_EQ(dayJson["date"].toString(), "2026-12-09");
    const QJsonArray dayRows = dayJson["rows"].toArray();
    ASSERT_EQ(dayRows.size(), 3);
    EXPECT_EQ(dayRows[1].toObject(), (QJsonObject{{"time", "2026-12-09T14:03:12+01:00"},
                                                  {"source", "Lichtschranke Eingang"},
                                                  {"sourceCode", 1},
                                                  {"change", "up"},
                                                  {"count", 1},
                                                  {"capacity", 5}}));
    EXPECT_EQ(dayRows[2].toObject()["change"].toString(), "reset");
    // The CSV is the export's, byte for byte, by either way of asking.
    std::ostringstream csv;
    WriteJournalCsv(csv, JournalReader(journal).Day(year(2026) / 12 / 9));
    for (const FeedReply &reply : {Get(port, "/api/v1/day?date=2026-12-09", "Accept: text/html, text/CSV;q=0.8\r\n"),
                                   Get(port, "/api/v1/day.csv?date=2026-12-09")}) {
        EXPECT_EQ(reply.body, csv.str());
        EXPECT_EQ(reply.Header("Content-Type"), "text/csv; charset=utf-8");
    }
    EXPECT_EQ(Get(port, "/api/v1/day?date=2026-12-09", "Accept: text/csv;q=0\r\n").Header("Content-Type"),
              "application/json");
    for (const char *bad : {"/api/v1/day?date=2026-02-30", "/api/v1/day?date=heute", "/api/v1/day"}) {
        const FeedReply refused = Get(port, bad);
        EXPECT_EQ(refused.status, 400) << bad;
        EXPECT_NE(refused.body.find("Ungültiges Datum"), std::string::npos) << refused.body;
    }

    const FeedReply page = Get(port, "/");
    EXPECT_EQ(page.Header("Content-Type"), "text/html; charset=utf-8");
    for (const char *part : {"<html lang=\"de\">", "<meta charset=\"utf-8\">", "Herzlich Willkommen!",
                             "data:image/svg+xml;base64,", "new EventSource("})
        EXPECT_NE(page.body.find(part), std::string::npos) << part;
    // Nothing from elsewhere: no other file, font or script to fetch.
    for (const char *outside : {"http:", "https:", "src=\"/", "href=", "@import", "url("})
        EXPECT_EQ(page.body.find(outside), std::string::npos) << outside;

    for (const char *path : {"/", "/api/v1/occupancy", "/metrics", "/api/v1/day?date=2026-12-09"}) {
        const FeedReply get = Get(port, path);
        const FeedReply head = Head(port, path);
        EXPECT_EQ(head.status, 200) << path;
        EXPECT_EQ(head.body, "") << path;
        EXPECT_EQ(head.Header("Content-Length"), std::to_string(get.body.size())) << path;
        EXPECT_EQ(head.Header("Content-Type"), get.Header("Content-Type")) << path;
    }
    const FeedReply events = Head(port, "/api/v1/events");
    EXPECT_EQ(events.status, 200);
    EXPECT_EQ(events.Header("Content-Type"), "text/event-stream");
    EXPECT_EQ(events.body, "");

    for (const char *method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH"}) {
        const FeedReply refused = Request(port, method, "/api/v1/occupancy", "Content-Length: 3\r\n\r\nabc");
        EXPECT_EQ(refused.status, 405) << method;
        EXPECT_EQ(refused.Header("Allow"), "GET, HEAD");
    }
    EXPECT_EQ(Get(port, "/api/v1/nothing").status, 404);
    EXPECT_EQ(Get(port, "/index.html").status, 404);

    FeedServer withoutJournal;
    EXPECT_EQ(Get(Started(withoutJournal).Port(), "/api/v1/day?date=2026-12-09").status, 404);
}

TEST(FeedServer, AsksEveryPathForTheTokenWhenItHasOne)
{
    const std::string token = MakeFeedToken();
    EXPECT_EQ(token.size(), 64u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(token, MakeFeedToken());

    FeedServer server;
    FeedServerConfig config;
    config.token = token;
    const std::uint16_t port = Started(server, config).Port();
    std::string wrong = token;
    wrong.back() = wrong.back() == '0' ? '1' : '0';
    for (const std::string path : {"/", "/api/v1/occupancy", "/metrics", "/api/v1/day?date=2026-12-09", "/nothing"}) {
        const std::string with = path.find('?') == std::string::npos ? "?" : "&";
        for (const FeedReply &refused :
             {Get(port, path), Get(port, path + with + "token=" + wrong), Get(port, path + with + "token="),
              Get(port, path + with + "token=" + token.substr(0, 63)),
              Get(port, path, "Authorization: Bearer " + wrong + "\r\n"),
              Get(port, path, "Authorization: Basic " + token + "\r\n"),
              Get(port, path, "Authorization: " + token + "\r\n")}) {
            EXPECT_EQ(refused.status, 401) << path;
            EXPECT_EQ(refused.Header("WWW-Authenticate"), "Bearer");
            EXPECT_EQ(refused.body, "Der Zugangsschlüssel fehlt oder stimmt nicht.\n");
        }
        const int found = path == "/nothing" ? 404 : path.find("day") != std::string::npos ? 404 : 200;
        EXPECT_EQ(Get(port, path + with + "token=" + token).status, found) << path;
        EXPECT_EQ(Get(port, path, "Authorization: Bearer " + token + "\r\n").status, found) << path;
        EXPECT_EQ(Get(port, path, "authorization: bearer  " + token + "\r\n").status, found) << path;
    }
    FeedClient stream(port);
    stream.Send("GET /api/v1/events?token=" + token + " HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(stream.ReadUntil("data: {"));
}

TEST(FeedServer, SaysInGermanWhyItCannotStart)
{
    FeedServer first;
    const std::uint16_t port = Started(first).Port();
    ASSERT_NE(port, 0);

    FeedServer second;
    FeedServerConfig config;
    config.port = port;
    std::string error;
    EXPECT_FALSE(second.Start(config, error));
    EXPECT_EQ(error, "Die Live-Anzeige kann nicht starten: Port " + std::to_string(port) + " ist schon belegt.");
    EXPECT_FALSE(second.Running());
    EXPECT_EQ(Get(port, "/api/v1/occupancy").status, 200); // the first one serves on

    config.bindAddress = "192.0.2.1";
    EXPECT_FALSE(second.Start(config, error));
    EXPECT_EQ(error, "Die Live-Anzeige kann nicht starten: die Adresse 192.0.2.1 gibt es auf diesem Rechner nicht.");
    config.bindAddress = "halle.local";
    EXPECT_FALSE(second.Start(config, error));
    EXPECT_EQ(error, "Die Live-Anzeige kann nicht starten: „halle.local“ ist keine IP-Adresse.");

    // Stopped, the port is free at once for the next start.
    first.Stop();
    EXPECT_EQ(first.Port(), 0);
    config.bindAddress = "127.0.0.1";
    EXPECT_TRUE(second.Start(config, error)) << error;
    EXPECT_EQ(Get(port, "/api/v1/occupancy").status, 200);

    for (const char *loopback : {"127.0.0.1", "127.8.9.10", "::1"})
        EXPECT_TRUE(IsLoopbackAddress(loopback)) << loopback;
    for (const char *other : {"0.0.0.0", "::", "192.168.1.20", "fe80::1", "128.0.0.1", "localhost", ""})
        EXPECT_FALSE(IsLoopbackAddress(other)) << other;
}

TEST(FeedServer, AnswersOversizedMalformedAndSilentRequests)
{
    FeedServer server;
    FeedServerConfig config;
    config.idleTimeout = seconds(1);
    const std::uint16_t port = Started(server, config).Port();

    // The header block, request line to the empty line, may hold 8 KiB.
    const std::string start = "GET /api/v1/occupancy HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nX-Pad: ";
    const auto sized = [&](std::size_t total) {
        FeedClient client(port);
        client.Send(start + std::string(total - start.size() - 4, 'a') + "\r\n\r\n");
        client.ReadUntilClosed();
        return Split(client.Received()).status;
    };
    EXPECT_EQ(sized(8192), 200);
    EXPECT_EQ(sized(8193), 431);
    EXPECT_EQ(sized(9 * 1024), 431);
    EXPECT_EQ(sized(64 * 1024), 431);

    for (const char *malformed : {"GET /api/v1/occupancy HTTP/1.1 extra\r\n\r\n", "GET  HTTP/1.1\r\n\r\n",
                                  "GET /api/v1/occupancy HTTX/1.1\r\n\r\n", "GET /api/v1/occupancy\r\n\r\n",
                                  "GET / HTTP/1.1\r\nNo colon here\r\n\r\n"}) {
        FeedClient client(port);
        client.Send(malformed);
        EXPECT_TRUE(client.ReadUntilClosed()) << malformed;
        EXPECT_EQ(Split(client.Received()).status, 400) << malformed;
    }
    // One word is no request at all: closed without an answer.
    FeedClient word(port);
    word.Send("HELLO\r\n\r\n");
    EXPECT_TRUE(word.ReadUntilClosed());

    // Closed once idle for the timeout: one that says nothing, one that stops
    // in the middle of its request.
    FeedClient silent(port);
    FeedClient halfway(port);
    halfway.Send("GET /api/v1/occupancy HTTP/1.1\r\nHost: 12");
    EXPECT_TRUE(silent.ReadUntilClosed());
    EXPECT_TRUE(halfway.ReadUntilClosed());
    EXPECT_EQ(silent.Received(), "");
    EXPECT_EQ(Get(port, "/api/v1/occupancy").status, 200);
}

TEST(FeedServer, PushesEachChangeAsOneDataLineAndBeatsTheHeartbeat)
{
    FeedServer server;
    server.Publish(Snapshot(2)); // before the start: the first client sees it
    FeedServerConfig config;
    config.heartbeat = milliseconds(100);
    const std::uint16_t port = Started(server, config).Port();

    const auto stream = Listen(port);
    const FeedReply head = Split(stream->Received());
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.Header("Content-Type"), "text/event-stream");
    EXPECT_EQ(head.Header("Cache-Control"), "no-store");
    EXPECT_NE(stream->Received().find("retry: 1000\n\n"), std::string::npos);

    // Each change: one "data:" line of the same JSON as /api/v1/occupancy.
    for (std::int32_t count : {3, 5, 0}) {
        FeedSnapshot snapshot = Snapshot(count);
        snapshot.warnings = {"Lichtschranke Eingang unterbrochen seit 14:03:12"};
        const std::string json = OccupancyJson(snapshot);
        stream->Forget();
        server.Publish(snapshot);
        ASSERT_TRUE(stream->ReadUntil("\"count\":" + std::to_string(count) + ",")) << stream->Received();
        ASSERT_TRUE(stream->ReadUntil("}\n\n"));
        const std::string &got = stream->Received();
        const std::size_t data = got.find("data: ");
        const std::string line = got.substr(data + 6, got.find('\n', data) - data - 6);
        EXPECT_EQ(line, Get(port, "/api/v1/occupancy").body);
        EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object()["warnings"].toArray()[0],
                  QString::fromUtf8("Lichtschranke Eingang unterbrochen seit 14:03:12"));
    }
    // Quiet: a comment line (": …") keeps the connection alive.
    stream->Forget();
    EXPECT_TRUE(stream->ReadUntil("\n: "));
    EXPECT_EQ(server.Streams(), 1u);
}

TEST(FeedServer, AStalledClientCostsOnlyItsOwnConnection)
{
    FeedServer server;
    const std::uint16_t port = Started(server).Port();
    // Never reads after its first message, with a small buffer soon full.
    auto stalled = Listen(port, 4096);
    const auto reader = Listen(port);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    const long before = ResidentKiB(); // not with a sanitizer's own heap
#endif

    // 2000 changes of 16 KiB each: 32 MiB if they queued for the stalled one.
    constexpr int kChanges = 2000;
    for (int change = 1; change <= kChanges; ++change) {
        FeedSnapshot snapshot = Snapshot(change, 99'999);
        snapshot.warnings = {std::string(16 * 1024, 'w')};
        server.Publish(snapshot);
        ASSERT_TRUE(reader->ReadUntil("\"count\":" + std::to_string(change) + ",")) << change;
        reader->Forget();
    }
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(ResidentKiB() - before, 8 * 1024);
#endif
    EXPECT_EQ(Get(port, "/api/v1/occupancy").status, 200);

    // Reading at last, it gets a few of the changes and then the newest.
    stalled->Forget();
    ASSERT_TRUE(stalled->ReadUntil("\"count\":" + std::to_string(kChanges) + ","));
    std::size_t messages = 0;
    for (std::size_t at = stalled->Received().find("data: "); at != std::string::npos;
         at = stalled->Received().find("data: ", at + 1))
        ++messages;
    EXPECT_LT(messages, 200u);

    // Gone in the middle of a message, without reading the rest.
    stalled.reset();
    for (int change = 1; change <= 50; ++change)
        server.Publish(Snapshot(change));
    EXPECT_TRUE(reader->ReadUntil("\"count\":50,"));
    EXPECT_TRUE(WaitFor([&] { return server.Streams() == 1; }));
}

TEST(FeedServer, RefusesTheConnectionBeyond256AndStopsWithAllOfThemStalled)
{
    FeedServer server;
    const std::uint16_t port = Started(server).Port();
    // Half of them streams that stopped reading, half idle after one answer.
    std::vector<std::unique_ptr<FeedClient>> open;
    for (unsigned i = 0; i < FeedServer::kMaxConnections / 2; ++i)
        open.push_back(Listen(port, 4096));
    for (unsigned i = 0; i < FeedServer::kMaxConnections / 2; ++i) {
        auto client = std::make_unique<FeedClient>(port);
        client->Send("GET /api/v1/occupancy HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        ASSERT_TRUE(client->ReadUntil("\"warnings\":[]}")) << i;
        open.push_back(std::move(client));
    }
    FeedClient refused(port);
    EXPECT_TRUE(refused.Connected());
    EXPECT_TRUE(refused.ReadUntilClosed());
    EXPECT_EQ(refused.Received(), "");

    // One leaves: the next one is let in.
    open.back().reset();
    EXPECT_TRUE(WaitFor([&] { return Get(port, "/api/v1/occupancy").status == 200; }));

    for (int change = 0; change < 200; ++change) {
        FeedSnapshot snapshot = Snapshot(change);
        snapshot.warnings = {std::string(4096, 'w')};
        server.Publish(snapshot);
    }
    server.Stop();
    EXPECT_FALSE(server.Running());
    EXPECT_TRUE(open.front()->ReadUntilClosed());
    EXPECT_FALSE(FeedClient(port).Connected());
}

} // namespace
