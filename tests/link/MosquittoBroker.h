#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include <netinet/in.h>
#include <sys/types.h>

// Polls condition every 2 ms until it holds; false after `timeout`. For
// states another thread reaches, such as a message arriving.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// 127.0.0.1 at that port (0: the system chooses).
sockaddr_in Loopback(int port);

// A real mosquitto for one test: its own configuration and data folder in a
// temporary folder, listening on a free port of 127.0.0.1, ended by its
// process id.
class MosquittoBroker {
public:
    struct Options {
        // Retained messages survive a restart of the broker.
        bool persistent = false;
        // When set, the broker takes only this login.
        std::string user;
        std::string password;
        // TLS with a certificate for 127.0.0.1, issued by the CA in
        // Folder() / "ca.pem"; Folder() / "other-ca.pem" is a CA that did not.
        bool tls = false;
    };

    explicit MosquittoBroker(Options options);
    MosquittoBroker() : MosquittoBroker(Options()) {}
    // Stops it and removes its folder.
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker &) = delete;
    MosquittoBroker &operator=(const MosquittoBroker &) = delete;

    // Starts it again on the same port; returns once the port takes
    // connections. False when it did not come up.
    bool Start();
    // Ends it (SIGTERM, so that it saves its retained messages; SIGKILL if
    // it has not ended after some 6 s) and waits for its exit.
    void Stop();

    // "127.0.0.1:port"
    std::string Address() const;
    // How often the broker's log holds the text.
    int Logged(std::string_view text) const;
    const std::filesystem::path &Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};
