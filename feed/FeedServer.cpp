#include "feed/FeedServer.h"

#include "feed/FeedJson.h"
#include "feed/FeedMetrics.h"
#include "feed/FeedPage.h"
#include "feed/FeedToken.h"
#include "journal/JournalCsv.h"

#include <microhttpd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {

// A request's state in libmicrohttpd's pointer for it: its line has come,
// with or without a NUL byte in its address; its header has passed the
// checks and its body, if any, is being read. A DayQuery once it waits for
// the journal.
char kArrived;
char kNulInAddress;
char kSeen;

// Enough for the largest header allowed and the answer's own headers; the
// limit itself is checked exactly below.
constexpr std::size_t kConnectionMemory = 16 * 1024;

struct Header {
    const char *name;
    const char *value;
};

enum class Kind {
    Page,
    Api,
    // An API answer whose form follows the Accept header.
    Negotiated,
};

bool SameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// An Accept header that names text/csv, unless with q=0.
bool AcceptsCsv(const char *accept)
{
    std::string_view rest = accept ? accept : "";
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view range = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const std::size_t semicolon = range.find(';');
        if (!SameLetters(Trimmed(range.substr(0, semicolon)), "text/csv"))
            continue;
        const std::size_t q = semicolon == std::string_view::npos ? semicolon : range.find("q=", semicolon);
        if (q == std::string_view::npos)
            return true;
        const std::string_view weight = range.substr(q + 2, range.find_first_not_of("0123456789.", q + 2) - q - 2);
        if (weight.find_first_of("123456789") != std::string_view::npos)
            return true;
    }
    return false;
}

const char *Argument(MHD_Connection *connection, const char *name)
{
    return MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, name);
}

const char *HeaderValue(MHD_Connection *connection, const char *name)
{
    return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
}

// The header lines that decide how the request is framed, each counted.
struct Framing {
    unsigned hosts = 0;
    unsigned lengths = 0;
    unsigned codings = 0;
    std::string_view coding;

    explicit Framing(MHD_Connection *connection)
    {
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &Count, this);
    }

    static MHD_Result Count(void *cls, MHD_ValueKind, const char *key, const char *value)
    {
        auto &framing = *static_cast<Framing *>(cls);
        if (SameLetters(key, MHD_HTTP_HEADER_HOST))
            ++framing.hosts;
        else if (SameLetters(key, MHD_HTTP_HEADER_CONTENT_LENGTH))
            ++framing.lengths;
        else if (SameLetters(key, MHD_HTTP_HEADER_TRANSFER_ENCODING))
            ++framing.codings, framing.coding = Trimmed(value ? value : "");
        return MHD_YES;
    }
};

} // namespace

struct FeedServer::Callbacks {
    static MHD_Result Accept(void *cls, const sockaddr *, socklen_t)
    {
        // Refused here, the one too many is closed at once rather than left
        // waiting in the listen queue.
        auto &server = *static_cast<FeedServer *>(cls);
        return server.places_->Admit(ConnectionPlaces::Clock::now()) ? MHD_YES : MHD_NO;
    }

    static void Connection(void *cls, MHD_Connection *connection, void **, MHD_ConnectionNotificationCode code)
    {
        auto &server = *static_cast<FeedServer *>(cls);
        if (code != MHD_CONNECTION_NOTIFY_STARTED) {
            server.places_->Closed(connection);
            return;
        }
        const auto *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        server.places_->Opened(connection, info ? static_cast<SocketHandle>(info->connect_fd) : kNoSocket,
                               ConnectionPlaces::Clock::now());
        // Also when no other connection comes to end it.
        MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT,
                                  static_cast<unsigned>(std::min(server.config_.headerTimeout,
                                                                 server.config_.idleTimeout).count()));
    }

    static void *Arrived(void *, const char *uri, MHD_Connection *)
    {
        // Unescaped, "%00" would end the address early: "/metrics%00/x".
        return std::string_view(uri).find("%00") != std::string_view::npos ? &kNulInAddress : &kArrived;
    }

    static MHD_Result Request(void *cls, MHD_Connection *connection, const char *url, const char *method,
                              const char *version, const char *, std::size_t *uploadSize, void **request)
    {
        auto &server = *static_cast<FeedServer *>(cls);
        const bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
        if (*request == &kArrived || *request == &kNulInAddress) {
            const bool nul = *request == &kNulInAddress;
            *request = &kSeen;
            return Admit(server, connection, method, version, nul);
        }
        if (*uploadSize != 0) {
            *uploadSize = 0; // a body is read and ignored
            return MHD_YES;
        }
        if (*request != &kSeen)
            return Answer(server, connection, *static_cast<DayQuery *>(*request));
        return Route(server, connection, url, head, request);
    }

    // The checks as soon as the header is whole: a refusal closes the
    // connection, as its body (if any) is not read.
    static MHD_Result Admit(FeedServer &server, MHD_Connection *connection, const char *method, const char *version,
                            bool nulInAddress)
    {
        const auto *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
        if (info && info->header_size > kMaxHeaderBytes)
            return Refuse(server, connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE,
                          "Die Kopfzeilen der Anfrage sind länger als 8 KiB.");
        const Framing framing(connection);
        if (framing.codings != 0 && framing.lengths != 0)
            return Refuse(server, connection, MHD_HTTP_BAD_REQUEST,
                          "Die Anfrage nennt ihre Länge zweimal: Content-Length und Transfer-Encoding.");
        if (framing.codings > 1 || (framing.codings == 1 && !SameLetters(framing.coding, "chunked")))
            return Refuse(server, connection, MHD_HTTP_NOT_IMPLEMENTED,
                          "Diese Übertragungskodierung kennt der Server nicht; nur „chunked“.");
        if (framing.lengths > 1)
            return Refuse(server, connection, MHD_HTTP_BAD_REQUEST, "Die Anfrage nennt ihre Länge mehrmals.");
        if (framing.hosts > 1 || (framing.hosts == 0 && std::strcmp(version, MHD_HTTP_VERSION_1_0) != 0))
            return Refuse(server, connection, MHD_HTTP_BAD_REQUEST,
                          "Die Anfrage muss genau einmal „Host“ nennen.");
        if (nulInAddress)
            return Refuse(server, connection, MHD_HTTP_BAD_REQUEST, "Die Adresse enthält ein Nullzeichen (%00).");
        if (!server.Authorized(connection))
            return Refuse(server, connection, MHD_HTTP_UNAUTHORIZED, "Der Zugangsschlüssel fehlt oder stimmt nicht.",
                          {{MHD_HTTP_HEADER_WWW_AUTHENTICATE, "Bearer"}});
        if (const char *host = HeaderValue(connection, MHD_HTTP_HEADER_HOST); host && !server.hosts_.Serves(host))
            return Refuse(server, connection, MHD_HTTP_MISDIRECTED_REQUEST,
                          "Unter diesem Namen antwortet die Live-Anzeige nicht. Weitere Namen lassen sich unter "
                          "Einstellungen → „Erweitert …“ → Live-Anzeige eintragen.");
        server.places_->Proven(connection);
        MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT,
                                  static_cast<unsigned>(server.config_.idleTimeout.count()));
        if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 && std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0)
            return Reply(server, connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Hier wird nur gelesen: GET oder HEAD.\n",
                         "text/plain; charset=utf-8", Kind::Api, {{MHD_HTTP_HEADER_ALLOW, "GET, HEAD"}});
        return MHD_YES;
    }

    static void Completed(void *, MHD_Connection *, void **request, MHD_RequestTerminationCode)
    {
        if (*request != &kSeen && *request != &kArrived && *request != &kNulInAddress)
            delete static_cast<DayQuery *>(*request);
        *request = nullptr;
    }

    static MHD_Response *Prepare(FeedServer &server, MHD_Connection *connection, MHD_Response *response,
                                 const char *type, Kind kind, std::initializer_list<Header> headers)
    {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
        MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
        if (kind == Kind::Page) {
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_SECURITY_POLICY, FeedPagePolicy().c_str());
            MHD_add_response_header(response, MHD_HTTP_HEADER_X_FRAME_OPTIONS, "DENY");
            // Its address carries the key.
            MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
        } else {
            MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
            MHD_add_response_header(response, MHD_HTTP_HEADER_VARY,
                                    kind == Kind::Negotiated ? "Origin, Accept" : "Origin");
            const char *origin = HeaderValue(connection, MHD_HTTP_HEADER_ORIGIN);
            if (origin && server.hosts_.SharesWith(origin))
                MHD_add_response_header(response, MHD_HTTP_HEADER_ACCESS_CONTROL_ALLOW_ORIGIN, origin);
        }
        for (const Header &header : headers)
            MHD_add_response_header(response, header.name, header.value);
        return response;
    }

    static MHD_Result Queue(MHD_Connection *connection, unsigned status, MHD_Response *response)
    {
        if (!response)
            return MHD_NO;
        const MHD_Result queued = MHD_queue_response(connection, status, response);
        MHD_destroy_response(response);
        return queued;
    }

    static MHD_Result Reply(FeedServer &server, MHD_Connection *connection, unsigned status, const std::string &body,
                            const char *type, Kind kind, std::initializer_list<Header> headers = {})
    {
        MHD_Response *response =
            MHD_create_response_from_buffer(body.size(), const_cast<char *>(body.data()), MHD_RESPMEM_MUST_COPY);
        return Queue(connection, status,
                     response ? Prepare(server, connection, response, type, kind, headers) : nullptr);
    }

    // A refusal's body is a German sentence; the connection ends with it.
    static MHD_Result Refuse(FeedServer &server, MHD_Connection *connection, unsigned status,
                             const std::string &sentence, std::initializer_list<Header> headers = {})
    {
        const std::string body = sentence + "\n";
        MHD_Response *response =
            MHD_create_response_from_buffer(body.size(), const_cast<char *>(body.data()), MHD_RESPMEM_MUST_COPY);
        if (response) {
            Prepare(server, connection, response, "text/plain; charset=utf-8", Kind::Api, headers);
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
        }
        return Queue(connection, status, response);
    }

    static MHD_Result Route(FeedServer &server, MHD_Connection *connection, std::string_view url, bool head,
                            void **request)
    {
        if (url == "/")
            return Reply(server, connection, MHD_HTTP_OK, FeedPageHtml(), "text/html; charset=utf-8", Kind::Page,
                         {{MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache"}});
        if (url == "/api/v1/occupancy")
            return Reply(server, connection, MHD_HTTP_OK, OccupancyJson(server.streams_.Latest()), "application/json",
                         Kind::Api);
        if (url == "/api/v1/events")
            return Stream(server, connection, head);
        if (url == "/api/v1/day" || url == "/api/v1/day.csv")
            return Day(server, connection, url.ends_with(".csv") || AcceptsCsv(HeaderValue(connection, "Accept")),
                       request);
        if (url == "/metrics")
            return Reply(server, connection, MHD_HTTP_OK, MetricsText(server.streams_.Latest()),
                         "text/plain; version=0.0.4; charset=utf-8", Kind::Api);
        return Reply(server, connection, MHD_HTTP_NOT_FOUND, "Diese Adresse gibt es hier nicht.\n",
                     "text/plain; charset=utf-8", Kind::Api);
    }

    static ssize_t Nothing(void *, std::uint64_t, char *, std::size_t) { return MHD_CONTENT_READER_END_OF_STREAM; }

    static MHD_Result Stream(FeedServer &server, MHD_Connection *connection, bool head)
    {
        // HEAD: the stream's header, which has no length. Said chunked, the
        // server would send the chunks' end after it; without a length, the
        // connection ends instead.
        if (head) {
            MHD_Response *response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 1, &Nothing, nullptr, nullptr);
            if (response)
                MHD_set_response_options(response, MHD_RF_HTTP_1_0_COMPATIBLE_STRICT, MHD_RO_END);
            return Queue(connection, MHD_HTTP_OK,
                         response ? Prepare(server, connection, response, "text/event-stream", Kind::Api, {})
                                  : nullptr);
        }
        // A client gone without a word (a tablet out of the network) is
        // noticed at the next heartbeat that stays unacknowledged.
        if (const auto *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD))
            DropUnansweredPeer(info->connect_fd, server.config_.heartbeat * 2);
        MHD_Response *response = server.streams_.NewStream(connection);
        return Queue(connection, MHD_HTTP_OK,
                     response ? Prepare(server, connection, response, "text/event-stream", Kind::Api, {}) : nullptr);
    }

    static MHD_Result Day(FeedServer &server, MHD_Connection *connection, bool csv, void **request)
    {
        if (!server.days_)
            return Reply(server, connection, MHD_HTTP_NOT_FOUND, "Dieses Programm führt kein Tagesjournal.\n",
                         "text/plain; charset=utf-8", Kind::Api);
        std::chrono::year_month_day date;
        std::string error;
        const char *text = Argument(connection, "date");
        if (!ParseJournalDate(text ? text : "", date, error))
            return Reply(server, connection, MHD_HTTP_BAD_REQUEST, error + "\n", "text/plain; charset=utf-8",
                         Kind::Api);
        auto *query = new DayQuery;
        query->connection = connection;
        query->date = date;
        query->csv = csv;
        if (!server.days_->Submit(query)) {
            delete query;
            return Reply(server, connection, MHD_HTTP_SERVICE_UNAVAILABLE,
                         "Gerade warten zu viele Anfragen; bitte gleich noch einmal versuchen.\n",
                         "text/plain; charset=utf-8", Kind::Api, {{MHD_HTTP_HEADER_RETRY_AFTER, "1"}});
        }
        // Answered once the journal has been read and the connection resumed.
        *request = query;
        return MHD_YES;
    }

    static MHD_Result Answer(FeedServer &server, MHD_Connection *connection, const DayQuery &query)
    {
        // Undone: the server stops.
        if (!query.done)
            return MHD_NO;
        return Reply(server, connection, query.status, query.body, query.contentType.c_str(), Kind::Negotiated);
    }
};

FeedServer::FeedServer() = default;

FeedServer::~FeedServer()
{
    Stop();
}

bool FeedServer::Start(const FeedServerConfig &config, std::string &error)
{
    Stop();
    config_ = config;
    std::string reason;
    if (OpenListenSocket(config.bindAddress, config.port, socket_, reason)
        && config.token.empty() && !IsLoopbackAddress(config.bindAddress)) {
        // Reachable from elsewhere, it never serves without the key.
        CloseListenSocket(socket_);
        reason = "für die Adresse " + config.bindAddress + " fehlt der Zugangsschlüssel.";
    }
    if (socket_.handle == kNoSocket) {
        error = "Die Live-Anzeige kann nicht starten: " + reason;
        return false;
    }
    if (!streams_.Start(config.heartbeat)) {
        CloseListenSocket(socket_);
        error = "Die Live-Anzeige kann nicht starten: dem Programm gehen die Dateideskriptoren aus.";
        return false;
    }
    places_.emplace(kMaxConnections, kMaxUnproven, config.headerTimeout);
    hosts_ = FeedHosts(config.bindAddress, config.hosts);
    if (!config.journal.empty()) {
        days_ = std::make_unique<DayQueries>(config.journal);
        days_->Start();
    }
    // The places are kept by Callbacks::Accept; the server's own limit
    // leaves room for the connections it has been told to end.
    daemon_ = MHD_start_daemon(
        MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME, 0, &Callbacks::Accept, this, &Callbacks::Request,
        this, MHD_OPTION_LISTEN_SOCKET, static_cast<MHD_socket>(socket_.handle), MHD_OPTION_CONNECTION_LIMIT,
        2 * kMaxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMaxPerAddress, MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(config.idleTimeout.count()), MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,
        MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::Connection, this, MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::Completed,
        this, MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::Arrived, this, MHD_OPTION_END);
    if (!daemon_) {
        streams_.Stop();
        days_.reset();
        CloseListenSocket(socket_);
        error = "Die Live-Anzeige kann nicht starten: der Webserver lässt sich nicht einrichten.";
        return false;
    }
    return true;
}

void FeedServer::Stop()
{
    if (!daemon_)
        return;
    // No new connections from here on; the socket is ours again to close.
    const MHD_socket listening = MHD_quiesce_daemon(daemon_);
    // Suspended connections must be resumed before the daemon stops.
    streams_.Stop();
    if (days_)
        days_->Stop();
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    days_.reset();
    if (listening == MHD_INVALID_SOCKET)
        socket_ = {};
    CloseListenSocket(socket_);
}

void FeedServer::Publish(FeedSnapshot snapshot)
{
    streams_.Publish(std::move(snapshot));
}

bool FeedServer::Authorized(MHD_Connection *connection) const
{
    if (config_.token.empty())
        return true;
    if (const char *token = Argument(connection, "token"); token && TokenMatches(token, config_.token))
        return true;
    const char *authorization = HeaderValue(connection, MHD_HTTP_HEADER_AUTHORIZATION);
    const std::string_view scheme = "Bearer ";
    const std::string_view given = authorization ? authorization : "";
    return given.size() > scheme.size() && SameLetters(given.substr(0, scheme.size()), scheme)
           && TokenMatches(Trimmed(given.substr(scheme.size())), config_.token);
}
