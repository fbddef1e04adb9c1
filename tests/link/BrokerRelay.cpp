#include "BrokerRelay.h"
#include "MosquittoBroker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

int Connect(int port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    if (connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        close(socket);
        return -1;
    }
    return socket;
}

// Everything read from one side to the other; false when either is gone.
bool Forward(int from, int to)
{
    char buffer[65536];
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    for (ssize_t sent = 0; sent < got;) {
        const ssize_t wrote = write(to, buffer + sent, static_cast<std::size_t>(got - sent));
        if (wrote <= 0)
            return false;
        sent += wrote;
    }
    return true;
}

} // namespace

BrokerRelay::BrokerRelay(const std::string &broker)
    : brokerPort_(std::stoi(broker.substr(broker.rfind(':') + 1)))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
        pipe(wake_) != 0)
        throw std::runtime_error("no relay");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread(&BrokerRelay::Run, this);
}

BrokerRelay::~BrokerRelay()
{
    SetState(State::Stop);
    thread_.join();
    for (const Pair &pair : pairs_) {
        close(pair.client);
        if (pair.broker >= 0)
            close(pair.broker);
    }
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

std::string BrokerRelay::Address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

void BrokerRelay::Cut(bool silently)
{
    SetState(silently ? State::Silent : State::Reset);
}

void BrokerRelay::Heal()
{
    SetState(State::Open);
}

void BrokerRelay::SetState(State state)
{
    {
        std::lock_guard lock(mutex_);
        state_ = state;
    }
    const char byte = 0;
    if (write(wake_[1], &byte, 1) != 1)
        throw std::runtime_error("relay not woken");
}

void BrokerRelay::Run()
{
    for (;;) {
        State state;
        {
            std::lock_guard lock(mutex_);
            state = state_;
        }
        if (state == State::Stop)
            return;
        const auto drop = [](const Pair &pair) {
            close(pair.client);
            if (pair.broker >= 0)
                close(pair.broker);
        };
        if (state == State::Reset) {
            for (const Pair &pair : pairs_) {
                // An RST, as a router that lost the connection sends.
                const linger abort{1, 0};
                setsockopt(pair.client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                drop(pair);
            }
            pairs_.clear();
        }
        if (state == State::Open) {
            for (Pair &pair : pairs_) {
                if (pair.broker < 0)
                    pair.broker = Connect(brokerPort_);
            }
        }
        std::vector<pollfd> polled{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        if (state == State::Open) {
            for (const Pair &pair : pairs_) {
                polled.push_back({pair.client, POLLIN, 0});
                polled.push_back({pair.broker, POLLIN, 0});
            }
        }
        poll(polled.data(), polled.size(), -1);
        if (polled[0].revents & POLLIN) {
            char bytes[64];
            if (read(wake_[0], bytes, sizeof bytes) < 0)
                return;
        }
        if (polled[1].revents & POLLIN) {
            const int client = accept(listener_, nullptr, nullptr);
            if (client >= 0 && state == State::Reset)
                close(client);
            else if (client >= 0)
                pairs_.push_back({client, -1});
        }
        // The pairs polled are the first ones, in order; new ones come after.
        std::vector<Pair> kept;
        for (std::size_t i = 0; i < pairs_.size(); ++i) {
            const Pair &pair = pairs_[i];
            const bool polledNow = state == State::Open && 2 + 2 * i + 1 < polled.size();
            bool alive = !polledNow || pair.broker >= 0;
            if (polledNow && alive) {
                const short fromClient = polled[2 + 2 * i].revents;
                const short fromBroker = polled[2 + 2 * i + 1].revents;
                if (fromClient && !Forward(pair.client, pair.broker))
                    alive = false;
                if (alive && fromBroker && !Forward(pair.broker, pair.client))
                    alive = false;
            }
            if (alive)
                kept.push_back(pair);
            else
                drop(pair);
        }
        pairs_.swap(kept);
    }
}
