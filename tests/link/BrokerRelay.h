#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A TCP relay on a free port of 127.0.0.1 to a broker, for a door whose
// network a test cuts: with resets (its connections closed, new ones
// refused) or silently (nothing gets through and nothing is closed, as when
// a cable is pulled), and heals again.
class BrokerRelay {
public:
    // broker: "127.0.0.1:port"
    explicit BrokerRelay(const std::string &broker);
    ~BrokerRelay();
    BrokerRelay(const BrokerRelay &) = delete;
    BrokerRelay &operator=(const BrokerRelay &) = delete;

    std::string Address() const;
    void Cut(bool silently = false);
    void Heal();

private:
    enum class State { Open, Reset, Silent, Stop };
    struct Pair {
        int client;
        int broker; // -1 until the relay connects it
    };

    void Run();
    void SetState(State state);

    int brokerPort_ = 0;
    int listener_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    std::mutex mutex_;
    State state_ = State::Open;
    std::vector<Pair> pairs_; // the relay thread's own
    std::thread thread_;
};
