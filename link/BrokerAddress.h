#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where the hall's MQTT broker listens: "host:port", "[::1]:1883", or a host
// alone (an IPv6 address too) for the usual port 1883.
struct BrokerAddress {
    static constexpr int kDefaultPort = 1883;

    std::string host;
    int port = kDefaultPort;

    // Empty when the text names no host or no port from 1 to 65535.
    static std::optional<BrokerAddress> Parse(std::string_view text);
    // As the operator writes it: "[::1]:1883", "halle.local:1883".
    std::string Text() const;
};
