#pragma once

#include "hall/DoorLamp.h"

#include <chrono>
#include <filesystem>
#include <string>

// What the stop lamp's output through the broker needs to know, from the
// keys in [General].
struct BrokerLampSettings {
    // Broker, BrokerUser, BrokerPassword, BrokerCaFile: as for the door link.
    std::string broker;
    std::string user;
    std::string password;
    std::filesystem::path caFile;
    // Hall and Door name the lamp's connections in the broker's log.
    std::string hall;
    std::string door;
    // LampTopicGreen, LampTopicRed: empty is not used.
    std::string greenTopic;
    std::string redTopic;
    // LampOn, LampOff
    std::string on = "ON";
    std::string off = "OFF";
    // LampRefreshSeconds: how often the green lamp's "on" is sent again.
    std::chrono::seconds refresh{10};

    bool operator==(const BrokerLampSettings &) const = default;
};

// The stop lamp through the broker as the program sees it (BrokerLamp, in
// the link's module); BrokerLamp says what each call does.
class BrokerLampClient {
public:
    virtual ~BrokerLampClient() = default;

    virtual std::string Start(const BrokerLampSettings &settings) = 0;
    virtual void Stop(std::chrono::milliseconds wait = std::chrono::seconds(2)) = 0;
    virtual bool Running() const = 0;
    virtual void ShowLamp(LampState state) = 0;
};

using NewBrokerLampClient = BrokerLampClient *(*)();
inline constexpr const char *kNewBrokerLampClient = "PontraNewBrokerLampClient";
