#include "feed/FeedServer.h"

#include "feed/FeedJson.h"
#include "feed/FeedMetrics.h"
#include "feed/FeedPage.h"
#include "feed/FeedToken.h"
#include "journal/JournalCsv.h"

#include <microhttpd.h>

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {

// Marks a request whose headers have been seen and that waits to be answered.
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
};

MHD_Response *Prepare(MHD_Response *response, const char *type, Kind kind, std::initializer_list<Header> headers)
{
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    if (kind == Kind::Api) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        MHD_add_response_header(response, MHD_HTTP_HEADER_ACCESS_CONTROL_ALLOW_ORIGIN, "*");
    }
    for (const Header &header : headers)
        MHD_add_response_header(response, header.name, header.value);
    return response;
}

MHD_Result Queue(MHD_Connection *connection, unsigned status, MHD_Response *response)
{
    if (!response)
        return MHD_NO;
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result Reply(MHD_Connection *connection, unsigned status, const std::string &body, const char *type, Kind kind,
                 std::initializer_list<Header> headers = {})
{
    MHD_Response *response =
        MHD_create_response_from_buffer(body.size(), const_cast<char *>(body.data()), MHD_RESPMEM_MUST_COPY);
    return Queue(connection, status, response ? Prepare(response, type, kind, headers) : nullptr);
}

// The errors' bodies are a German sentence each.
MHD_Result Refuse(MHD_Connection *connection, unsigned status, const std::string &sentence,
                  std::initializer_list<Header> headers = {})
{
    return Reply(connection, status, sentence + "\n", "text/plain; charset=utf-8", Kind::Api, headers);
}

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

} // namespace

struct FeedServer::Callbacks {
    // libmicrohttpd's own limit would leave the one too many waiting in the
    // listen queue; refused here it is closed at once.
    static MHD_Result Accept(void *cls, const sockaddr *, socklen_t)
    {
        return static_cast<FeedServer *>(cls)->connections_.load() < kMaxConnections ? MHD_YES : MHD_NO;
    }

    static void Connection(void *cls, MHD_Connection *, void **, MHD_ConnectionNotificationCode code)
    {
        auto &connections = static_cast<FeedServer *>(cls)->connections_;
        if (code == MHD_CONNECTION_NOTIFY_STARTED)
            ++connections;
        else
            --connections;
    }

    static MHD_Result Request(void *cls, MHD_Connection *connection, const char *url, const char *method,
                              const char *, const char *, std::size_t *uploadSize, void **request)
    {
        auto &server = *static_cast<FeedServer *>(cls);
        const bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
        if (!head && std::strcmp(method, MHD_HTTP_METHOD_GET) != 0)
            return Refuse(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Hier wird nur gelesen: GET oder HEAD.",
                          {{MHD_HTTP_HEADER_ALLOW, "GET, HEAD"}});
        if (!*request) {
            *request = &kSeen;
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            *uploadSize = 0; // a body is read and ignored
            return MHD_YES;
        }
        if (*request != &kSeen)
            return Answer(connection, *static_cast<DayQuery *>(*request));
        const auto *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
        if (info && info->header_size > kMaxHeaderBytes)
            return Refuse(connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE,
                          "Die Kopfzeilen der Anfrage sind länger als 8 KiB.");
        if (!server.Authorized(connection))
            return Refuse(connection, MHD_HTTP_UNAUTHORIZED, "Der Zugangsschlüssel fehlt oder stimmt nicht.",
                          {{MHD_HTTP_HEADER_WWW_AUTHENTICATE, "Bearer"}});
        return Route(server, connection, url, head, request);
    }

    static void Completed(void *, MHD_Connection *, void **request, MHD_RequestTerminationCode)
    {
        if (*request != &kSeen)
            delete static_cast<DayQuery *>(*request);
        *request = nullptr;
    }

    static MHD_Result Route(FeedServer &server, MHD_Connection *connection, std::string_view url, bool head,
                            void **request)
    {
        if (url == "/")
            return Reply(connection, MHD_HTTP_OK, FeedPageHtml(), "text/html; charset=utf-8", Kind::Page,
                         {{MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache"}});
        if (url == "/api/v1/occupancy")
            return Reply(connection, MHD_HTTP_OK, OccupancyJson(server.streams_.Latest()), "application/json",
                         Kind::Api);
        if (url == "/api/v1/events")
            return head ? Reply(connection, MHD_HTTP_OK, {}, "text/event-stream", Kind::Api)
                        : Stream(server, connection);
        if (url == "/api/v1/day" || url == "/api/v1/day.csv") {
            const char *accept = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Accept");
            return Day(server, connection, url.ends_with(".csv") || AcceptsCsv(accept), request);
        }
        if (url == "/metrics")
            return Reply(connection, MHD_HTTP_OK, MetricsText(server.streams_.Latest()),
                         "text/plain; version=0.0.4; charset=utf-8", Kind::Api);
        return Refuse(connection, MHD_HTTP_NOT_FOUND, "Diese Adresse gibt es hier nicht.");
    }

    static MHD_Result Stream(FeedServer &server, MHD_Connection *connection)
    {
        // A client gone without a word (a tablet out of the network) is
        // noticed at the next heartbeat that stays unacknowledged.
        if (const auto *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD))
            DropUnansweredPeer(info->connect_fd, server.config_.heartbeat * 2);
        MHD_Response *response = server.streams_.NewStream(connection);
        return Queue(connection, MHD_HTTP_OK,
                     response ? Prepare(response, "text/event-stream", Kind::Api, {}) : nullptr);
    }

    static MHD_Result Day(FeedServer &server, MHD_Connection *connection, bool csv, void **request)
    {
        if (!server.days_)
            return Refuse(connection, MHD_HTTP_NOT_FOUND, "Dieses Programm führt kein Tagesjournal.");
        std::chrono::year_month_day date;
        std::string error;
        const char *text = Argument(connection, "date");
        if (!ParseJournalDate(text ? text : "", date, error))
            return Refuse(connection, MHD_HTTP_BAD_REQUEST, error);
        auto *query = new DayQuery;
        query->connection = connection;
        query->date = date;
        query->csv = csv;
        if (!server.days_->Submit(query)) {
            delete query;
            return Refuse(connection, MHD_HTTP_SERVICE_UNAVAILABLE,
                          "Gerade warten zu viele Anfragen; bitte gleich noch einmal versuchen.",
                          {{MHD_HTTP_HEADER_RETRY_AFTER, "1"}});
        }
        // Answered once the journal has been read and the connection resumed.
        *request = query;
        return MHD_YES;
    }

    static MHD_Result Answer(MHD_Connection *connection, const DayQuery &query)
    {
        // Undone: the server stops.
        if (!query.done)
            return MHD_NO;
        return Reply(connection, query.status, query.body, query.contentType.c_str(), Kind::Api);
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
    if (socket_.fd < 0) {
        error = "Die Live-Anzeige kann nicht starten: " + reason;
        return false;
    }
    streams_.Start(config.heartbeat);
    if (!config.journal.empty()) {
        days_ = std::make_unique<DayQueries>(config.journal);
        days_->Start();
    }
    daemon_ = MHD_start_daemon(
        MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME, 0, &Callbacks::Accept, this, &Callbacks::Request,
        this, MHD_OPTION_LISTEN_SOCKET, static_cast<MHD_socket>(socket_.fd), MHD_OPTION_CONNECTION_LIMIT,
        kMaxConnections + 1, MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(config.idleTimeout.count()),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory, MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::Connection,
        this, MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::Completed, this, MHD_OPTION_END);
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
    const char *authorization = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION);
    const std::string_view scheme = "Bearer ";
    const std::string_view given = authorization ? authorization : "";
    return given.size() > scheme.size() && SameLetters(given.substr(0, scheme.size()), scheme)
           && TokenMatches(Trimmed(given.substr(scheme.size())), config_.token);
}
