#pragma once

#include "link/BrokerAddress.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct mosquitto;

// 64 random bits in hexadecimal, new for every call: names one run's
// connections, so that two runs never take over each other's session.
std::string NewRunInstance();

// One MQTT 3.1.1 session with a broker, through libmosquitto, on a network
// thread of its own: it connects, subscribes, says when the retained
// messages have all arrived, and after a failure or a lost connection tries
// again after 0.5 s, then twice as long each time, at most 2 s. Messages
// come in at QoS 1.
class BrokerConnection {
public:
    enum class Failure {
        Unreachable,  // no connection came about, or it broke off
        LoginRefused, // the broker refused the user name or password
        Certificate,  // the TLS handshake failed
    };

    struct Options {
        BrokerAddress address;
        // Both empty for no login.
        std::string user;
        std::string password;
        // TLS, with the broker's certificate checked against it, when set.
        std::filesystem::path caFile;
        std::string clientId;
        std::vector<std::string> subscriptions;
        // Subscribed too; a message of its own there, sent after subscribing,
        // comes back after every retained message. Empty for a connection
        // that only publishes: it is ready once connected.
        std::string syncTopic;

        // The callbacks, all on the network thread.
        // Before each try: the will's topic and payload, sent at QoS 1.
        std::function<std::pair<std::string, std::string>()> will;
        bool willRetained = false;
        // Connected, and every retained message has been told.
        std::function<void()> ready;
        // retained: kept by the broker from before, not sent just now.
        std::function<void(std::string_view topic, std::string_view payload, bool retained)> message;
        // A try failed or the connection was lost; reason is a German sentence.
        std::function<void(Failure failure, const std::string &reason)> down;
    };

    // Starts the network thread. Call Problem() for a TLS file that cannot be
    // read: then there is no thread.
    explicit BrokerConnection(Options options);
    // Whether the library can encrypt (it is built without TLS for Windows).
    static bool TlsAvailable();
    // Ends with the default wait.
    ~BrokerConnection();
    BrokerConnection(const BrokerConnection &) = delete;
    BrokerConnection &operator=(const BrokerConnection &) = delete;

    // A German sentence when the connection could not be set up; else empty.
    const std::string &Problem() const { return problem_; }

    // Sends at QoS 1, or 0; false when there is no connection. Call it from
    // one thread that is not the network thread.
    bool Publish(const std::string &topic, std::string_view payload, bool retain, int qos = 1);
    // At QoS 1, returning once the broker confirmed it, or false at the
    // deadline.
    bool PublishConfirmed(const std::string &topic, std::string_view payload, bool retain,
                          std::chrono::steady_clock::time_point deadline);
    // Ends the session for good, telling the broker (no will is sent); the
    // network thread ends with the connection. From the publishing thread.
    void Disconnect();
    // Ends the network thread without a call into the library, waiting until
    // `deadline` at most (a try to connect that hangs is left behind); no
    // callback runs after it returns.
    void Stop(std::chrono::steady_clock::time_point deadline);

private:
    struct Session;
    static void Run(const std::shared_ptr<Session> &session);

    std::string problem_;
    // The thread keeps its own share, so that it may outlive a Stop() that
    // stopped waiting for it.
    std::shared_ptr<Session> session_;
    std::thread thread_;
};
