#pragma once

#include "link/BrokerLampClient.h"

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>

// The stop lamp through the broker, for relays that take MQTT commands: on
// the green topic the "on" payload while the hall has room (green or amber),
// on the red topic while it is full, each retained at QoS 1, so that a relay
// that restarts takes the state from the broker.
//
// Fail-safe: a lamp that nobody drives shows "stop". Every topic has its own
// connection, whose will (retained) sends the payload for red when the
// program dies; the door link's connection has its own will. While the hall
// has room, the green topic's "on" is sent again every refresh, for a relay
// set to turn off by itself when none comes. A stop sends red on every topic
// and disconnects only once the broker has it, else the will does it.
//
// The state is sent on each change and on each connection; the network runs
// on the lamp's own threads, never the caller's.
class BrokerLamp : public BrokerLampClient {
public:
    BrokerLamp() = default;
    // Stops with the default wait.
    ~BrokerLamp() override;
    BrokerLamp(const BrokerLamp &) = delete;
    BrokerLamp &operator=(const BrokerLamp &) = delete;

    // Connects for each topic set, or none when neither is. A lamp already
    // running is stopped first; its topics that stay in use on the same
    // broker are left as they are, so that the door does not flicker
    // through red. Returns a German
    // sentence naming the setting that cannot be used (then the lamp does
    // not run), else empty.
    std::string Start(const BrokerLampSettings &settings) override;
    // Shows red on each topic, disconnects and ends the threads, waiting
    // `wait` at most.
    void Stop(std::chrono::milliseconds wait = std::chrono::seconds(2)) override;
    bool Running() const override { return shared_ != nullptr; }
    // The lamp's state now; returns at once. Nothing is sent before the
    // first; it is kept over Stop() and Start().
    void ShowLamp(LampState state) override;

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared> &shared);
    // Stops, leaving the topics in `kept` as they are.
    void Finish(std::chrono::milliseconds wait, std::set<std::string> kept);

    std::optional<LampState> state_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
