#include "link/BrokerConnection.h"

#include "files/FileRules.h"
#include "link/LinkTexts.h"
#include "link/NetworkWait.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <random>

namespace {

using namespace std::chrono;

constexpr auto kFirstDelay = milliseconds(500);
constexpr auto kMostDelay = seconds(2);
// A connection that carries nothing for this long is asked for a sign of
// life, and given up when none comes in as long again: a cut cable is
// noticed within 5 to 10 s. It also bounds a try to connect that hangs.
constexpr int kKeepAliveSeconds = 5;
// How long the retained messages may take before the link goes ahead
// without the sign that they all arrived (a broker that drops it).
constexpr auto kRetainedWait = seconds(5);
// The library keeps time in whole seconds: a ping not yet due by its clock
// is looked for again this much later.
constexpr auto kKeepAliveStep = seconds(1);

// CONNACK return codes of MQTT 3.1.1 for a refused login.
constexpr int kBadUserNameOrPassword = 4;
constexpr int kNotAuthorised = 5;
// A CA file holds a few certificates; a larger one is refused unread.
constexpr std::size_t kMostCaFileSize = 1 << 20;

void InitialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

std::string NewRunInstance()
{
    std::random_device random;
    const std::uint64_t bits = (std::uint64_t(random()) << 32) ^ random();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
    return text;
}

bool BrokerConnection::TlsAvailable()
{
    InitialiseLibrary();
    mosquitto *probe = mosquitto_new(nullptr, true, nullptr);
    if (!probe)
        return false;
    // Without a file the library says only whether it could use one.
    const bool available = mosquitto_tls_set(probe, nullptr, nullptr, nullptr, nullptr, nullptr) != MOSQ_ERR_NOT_SUPPORTED;
    mosquitto_destroy(probe);
    return available;
}

struct BrokerConnection::Session {
    explicit Session(Options sessionOptions) : options(std::move(sessionOptions)) {}
    ~Session()
    {
        if (mosq)
            mosquitto_destroy(mosq);
    }

    const Options options;
    mosquitto *mosq = nullptr;
    // The network thread sleeps in it; a message queued, a disconnect and a
    // stop wake it.
    NetworkWait network;

    std::mutex mutex;
    std::condition_variable wake;
    // Disconnect() was called: the thread ends once the connection has.
    bool closing = false;
    // Stop() was called: the thread ends at once.
    bool stop = false;
    bool finished = false;
    std::condition_variable done;
    // The message ids the broker confirmed while a publisher waits.
    bool awaiting = false;
    std::vector<int> confirmed;

    // The network thread's own.
    bool connected = false;
    bool ready = false;
    steady_clock::time_point readyBy;
    int refusal = 0;

    // Held while a callback runs; once abandoned is set under it, no callback
    // runs again.
    std::mutex callbackMutex;
    bool abandoned = false;

    bool Stopping()
    {
        std::lock_guard lock(mutex);
        return stop;
    }

    bool Ending()
    {
        std::lock_guard lock(mutex);
        return stop || closing;
    }

    template <typename Call>
    void Tell(Call call)
    {
        std::lock_guard lock(callbackMutex);
        if (!abandoned)
            call();
    }

    void BecomeReady()
    {
        ready = true;
        Tell([this] {
            if (options.ready)
                options.ready();
        });
    }

    std::pair<Failure, std::string> Classify(int code, int error) const
    {
        const std::string broker = options.address.Text();
        if (code == MOSQ_ERR_CONN_REFUSED) {
            if (refusal == kBadUserNameOrPassword || refusal == kNotAuthorised)
                return {Failure::LoginRefused, kLoginRefusedText};
            return {Failure::Unreachable, ConnectRefusedText(refusal)};
        }
        if (code == MOSQ_ERR_TLS || code == MOSQ_ERR_TLS_HANDSHAKE || code == MOSQ_ERR_OCSP)
            return {Failure::Certificate, CertificateText(broker, options.caFile)};
        if (connected)
            return {Failure::Unreachable, ConnectionLostText(broker)};
        if (code == MOSQ_ERR_EAI)
            return {Failure::Unreachable, UnknownHostText(options.address.host)};
        if (code == MOSQ_ERR_ERRNO && error == ECONNREFUSED)
            return {Failure::Unreachable, ConnectionRefusedText(broker)};
        if (code == MOSQ_ERR_ERRNO)
            return {Failure::Unreachable, UnreachableText(broker)};
        return {Failure::Unreachable, ConnectFailedText(broker, code)};
    }

    static Session &Of(void *object) { return *static_cast<Session *>(object); }

    static void Connected(mosquitto *mosq, void *object, int code)
    {
        Session &session = Of(object);
        if (code != 0) {
            session.refusal = code;
            return;
        }
        session.connected = true;
        if (session.options.syncTopic.empty()) {
            session.BecomeReady();
            return;
        }
        std::vector<char *> topics;
        for (const std::string &topic : session.options.subscriptions)
            topics.push_back(const_cast<char *>(topic.c_str()));
        topics.push_back(const_cast<char *>(session.options.syncTopic.c_str()));
        mosquitto_subscribe_multiple(mosq, nullptr, static_cast<int>(topics.size()), topics.data(), 1, 0, nullptr);
        // The broker handles a client's packets in order: this comes back
        // after the retained messages of the subscriptions above.
        mosquitto_publish(mosq, nullptr, session.options.syncTopic.c_str(), 0, nullptr, 1, false);
        session.readyBy = steady_clock::now() + kRetainedWait;
    }

    static void Received(mosquitto *, void *object, const mosquitto_message *message)
    {
        Session &session = Of(object);
        const std::string_view topic(message->topic);
        if (topic == session.options.syncTopic) {
            if (!session.ready)
                session.BecomeReady();
            return;
        }
        const std::string_view payload(static_cast<const char *>(message->payload),
                                       static_cast<std::size_t>(std::max(message->payloadlen, 0)));
        session.Tell([&] {
            if (session.options.message)
                session.options.message(topic, payload, message->retain);
        });
    }

    static void Confirmed(mosquitto *, void *object, int id)
    {
        Session &session = Of(object);
        {
            std::lock_guard lock(session.mutex);
            if (!session.awaiting)
                return;
            session.confirmed.push_back(id);
        }
        session.wake.notify_all();
    }
};

BrokerConnection::BrokerConnection(Options options)
    : session_(std::make_shared<Session>(std::move(options)))
{
    InitialiseLibrary();
    Session &session = *session_;
    const Options &settings = session.options;
    session.mosq = mosquitto_new(settings.clientId.c_str(), true, &session);
    if (!session.mosq) {
        problem_ = ConnectFailedText(settings.address.Text(), MOSQ_ERR_NOMEM);
        return;
    }
    if (!session.network.Open()) {
        problem_ = ConnectFailedText(settings.address.Text(), MOSQ_ERR_ERRNO);
        return;
    }
    mosquitto_threaded_set(session.mosq, true);
    mosquitto_int_option(session.mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Small messages that matter at once: no waiting to fill a packet.
    mosquitto_int_option(session.mosq, MOSQ_OPT_TCP_NODELAY, 1);
    if (!settings.user.empty())
        mosquitto_username_pw_set(session.mosq, settings.user.c_str(), settings.password.c_str());
    if (!settings.caFile.empty()) {
        // The library would wait for ever on a fifo in the file's place.
        const FileContent checked = ReadRegularFile(settings.caFile, kMostCaFileSize);
        const int tls = checked.exists && checked.problem.empty()
                            ? mosquitto_tls_set(session.mosq, settings.caFile.string().c_str(), nullptr, nullptr,
                                                nullptr, nullptr)
                            : MOSQ_ERR_INVAL;
        if (tls == MOSQ_ERR_NOT_SUPPORTED) {
            problem_ = NoTlsText();
            return;
        }
        if (tls != MOSQ_ERR_SUCCESS) {
            problem_ = CaFileText(settings.caFile, checked.problem);
            return;
        }
    }
    mosquitto_connect_callback_set(session.mosq, &Session::Connected);
    mosquitto_message_callback_set(session.mosq, &Session::Received);
    mosquitto_publish_callback_set(session.mosq, &Session::Confirmed);
    thread_ = std::thread(&BrokerConnection::Run, session_);
}

BrokerConnection::~BrokerConnection()
{
    Stop(steady_clock::now() + seconds(2));
}

bool BrokerConnection::Publish(const std::string &topic, std::string_view payload, bool retain, int qos)
{
    const bool queued = session_->mosq && mosquitto_publish(session_->mosq, nullptr, topic.c_str(),
                                                            static_cast<int>(payload.size()), payload.data(), qos,
                                                            retain) == MOSQ_ERR_SUCCESS;
    // The network thread sends it.
    if (queued)
        session_->network.Wake();
    return queued;
}

bool BrokerConnection::PublishConfirmed(const std::string &topic, std::string_view payload, bool retain,
                                        steady_clock::time_point deadline)
{
    Session &session = *session_;
    {
        std::lock_guard lock(session.mutex);
        session.awaiting = true;
        session.confirmed.clear();
    }
    int id = 0;
    const bool sent = session.mosq && mosquitto_publish(session.mosq, &id, topic.c_str(),
                                                        static_cast<int>(payload.size()), payload.data(), 1,
                                                        retain) == MOSQ_ERR_SUCCESS;
    if (sent)
        session.network.Wake();
    std::unique_lock lock(session.mutex);
    const bool confirmed = sent && session.wake.wait_until(lock, deadline, [&] {
        return std::find(session.confirmed.begin(), session.confirmed.end(), id) != session.confirmed.end();
    });
    session.awaiting = false;
    return confirmed;
}

void BrokerConnection::Disconnect()
{
    {
        std::lock_guard lock(session_->mutex);
        session_->closing = true;
    }
    session_->wake.notify_all();
    // The network thread writes the DISCONNECT and ends with the connection.
    if (session_->mosq)
        mosquitto_disconnect(session_->mosq);
    session_->network.Wake();
}

void BrokerConnection::Stop(steady_clock::time_point deadline)
{
    Session &session = *session_;
    if (!thread_.joinable())
        return;
    bool finished = false;
    {
        std::unique_lock lock(session.mutex);
        // A closing connection is given until the deadline to say goodbye.
        if (session.closing)
            finished = session.done.wait_until(lock, deadline, [&] { return session.finished; });
        session.stop = true;
        session.wake.notify_all();
        session.network.Wake();
        finished = finished || session.done.wait_until(lock, deadline, [&] { return session.finished; });
    }
    if (finished) {
        thread_.join();
    } else {
        std::lock_guard lock(session.callbackMutex);
        session.abandoned = true;
        thread_.detach();
    }
}

void BrokerConnection::Run(const std::shared_ptr<Session> &shared)
{
    Session &session = *shared;
    const Options &options = session.options;
    milliseconds delay = kFirstDelay;
    bool tried = false;
    while (!session.Ending()) {
        std::pair<std::string, std::string> will;
        session.Tell([&] {
            if (options.will)
                will = options.will();
        });
        if (!will.first.empty())
            mosquitto_will_set(session.mosq, will.first.c_str(), static_cast<int>(will.second.size()),
                               will.second.data(), 1, options.willRetained);
        session.connected = session.ready = false;
        session.refusal = 0;
        errno = 0;
        // Without waiting for the handshake, which the loop below completes:
        // a try into a cut network ends with the keep-alive, not after the
        // system's minutes of retries.
        int code = tried ? mosquitto_reconnect_async(session.mosq)
                         : mosquitto_connect_async(session.mosq, options.address.host.c_str(),
                                                   options.address.port, kKeepAliveSeconds);
        int error = errno;
        tried = true;
        // Between the library's calls the thread sleeps until the socket has
        // something, another thread queued a message, or the keep-alive
        // wants a ping (a keep-alive after the last traffic either way).
        auto wrote = steady_clock::now();
        auto read = wrote;
        auto notBefore = wrote;
        while (code == MOSQ_ERR_SUCCESS && !session.Stopping()) {
            auto due = std::max(std::min(wrote, read) + seconds(kKeepAliveSeconds), notBefore);
            if (session.connected && !session.ready)
                due = std::min(due, session.readyBy);
            const bool writing = mosquitto_want_write(session.mosq);
            const int socket = mosquitto_socket(session.mosq);
            // Without a socket (the connection closed) the library says so at once.
            const auto left = socket < 0 ? milliseconds(0) : ceil<milliseconds>(due - steady_clock::now());
            const NetworkWait::Woken woken = session.network.Wait(socket, writing, std::max(left, milliseconds(0)));
            errno = 0;
            code = mosquitto_loop(session.mosq, 0, 1);
            error = errno;
            const auto now = steady_clock::now();
            if (woken.readable)
                read = now;
            if (woken.writable)
                wrote = now;
            if (woken.deadline && !mosquitto_want_write(session.mosq)) {
                // No ping by the library's clock yet, or one unanswered: look again.
                notBefore = now + kKeepAliveStep;
            }
            if (code == MOSQ_ERR_SUCCESS && session.connected && !session.ready && now >= session.readyBy)
                session.BecomeReady();
        }
        if (session.Ending())
            break;
        // After a session that worked, the next try comes soon again.
        if (session.connected)
            delay = kFirstDelay;
        const auto [failure, reason] = session.Classify(code, error);
        session.Tell([&] {
            if (options.down)
                options.down(failure, reason);
        });
        std::unique_lock lock(session.mutex);
        session.wake.wait_for(lock, delay, [&] { return session.stop || session.closing; });
        delay = std::min<milliseconds>(delay * 2, kMostDelay);
    }
    {
        std::lock_guard lock(session.mutex);
        session.finished = true;
    }
    session.done.notify_all();
}
