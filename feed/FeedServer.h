#pragma once

#include "feed/ConnectionPlaces.h"
#include "feed/DayQueries.h"
#include "feed/EventStreams.h"
#include "feed/FeedHosts.h"
#include "feed/FeedService.h"
#include "feed/FeedSnapshot.h"
#include "feed/ListenSocket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct MHD_Connection;
struct MHD_Daemon;

// The live feed: a read-only HTTP server (libmicrohttpd, on a thread of its
// own) with the hall's state as JSON, as an event stream and in Prometheus'
// format, the journal's days, and the page of the live display. Nothing it
// does waits for the thread that publishes, nor for any client.
//
//   GET /                    the live display's page
//   GET /api/v1/occupancy    the state as JSON
//   GET /api/v1/events       the same JSON once per change (Server-Sent Events)
//   GET /api/v1/day?date=    one day of the journal as JSON (text/csv: as CSV)
//   GET /api/v1/day.csv?date=
//   GET /metrics             Prometheus text format 0.0.4
//
// HEAD for each; other methods 405, other paths 404; with a token every path
// needs ?token= or "Authorization: Bearer", else 401 before anything else. A
// request must name this computer in its Host header (421), and one that
// could be read in two ways (Content-Length beside Transfer-Encoding, an
// unknown transfer coding, %00 in its address) is refused and its connection
// closed.
class FeedServer : public FeedService {
public:
    static constexpr unsigned kMaxConnections = 256;
    // Of them for connections that have not yet shown a whole request.
    static constexpr unsigned kMaxUnproven = 64;
    static constexpr unsigned kMaxPerAddress = 16;
    static constexpr std::size_t kMaxHeaderBytes = 8192;

    FeedServer();
    ~FeedServer() override;
    FeedServer(const FeedServer &) = delete;
    FeedServer &operator=(const FeedServer &) = delete;

    // False with the German notice in error ("Die Live-Anzeige kann nicht
    // starten: Port 8080 ist schon belegt."). Starting a running server
    // restarts it.
    bool Start(const FeedServerConfig &config, std::string &error) override;
    // Closes every connection; bounded, also with stalled clients.
    void Stop() override;
    bool Running() const override { return daemon_ != nullptr; }
    // The port it listens on (the chosen one for port 0); 0 when stopped.
    std::uint16_t Port() const override { return socket_.port; }

    // Any thread, also while stopped; returns at once.
    void Publish(FeedSnapshot snapshot) override;
    // The event streams open now.
    std::size_t Streams() const override { return streams_.Streams(); }

private:
    // libmicrohttpd's callbacks, with its own types.
    struct Callbacks;

    bool Authorized(MHD_Connection *connection) const;

    FeedServerConfig config_;
    // Both on the server's thread only.
    std::optional<ConnectionPlaces> places_;
    FeedHosts hosts_;
    ListenSocket socket_;
    MHD_Daemon *daemon_ = nullptr;
    EventStreams streams_;
    std::unique_ptr<DayQueries> days_;
};
