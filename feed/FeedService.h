#pragma once

#include "feed/FeedSnapshot.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct FeedServerConfig {
    std::string bindAddress = "127.0.0.1";
    // 0: a free port the system chooses.
    std::uint16_t port = 0;
    // Empty: no key needed; allowed on a loopback address only.
    std::string token;
    // Empty: /api/v1/day answers 404.
    std::filesystem::path journal;
    // Host names and addresses a request may name besides this computer's
    // own; pages from these may also read the feed from their own origin.
    std::vector<std::string> hosts;
    std::chrono::seconds idleTimeout{30};
    // For the header of a connection's first request.
    std::chrono::seconds headerTimeout{5};
    std::chrono::milliseconds heartbeat{15'000};
};

// The live feed's server as the program sees it (FeedServer, in the feed's
// module, loaded when a port is set): started and stopped as the settings
// say, and told the hall's state after each change.
class FeedService {
public:
    virtual ~FeedService() = default;

    // False with the German notice in error; starting a running server
    // restarts it.
    virtual bool Start(const FeedServerConfig &config, std::string &error) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    // The port it listens on; 0 when stopped.
    virtual std::uint16_t Port() const = 0;
    // Any thread, also while stopped; returns at once.
    virtual void Publish(FeedSnapshot snapshot) = 0;
    // The event streams open now.
    virtual std::size_t Streams() const = 0;
};

// The module's one function: a stopped server.
using NewFeedService = FeedService *(*)();
inline constexpr const char *kNewFeedService = "PontraNewFeedService";
