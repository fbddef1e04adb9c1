#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// What the door link needs to know, from the keys in [General].
struct DoorLinkSettings {
    // Door: this entrance's name, by default the computer's host name.
    std::string door;
    // Hall: the hall the doors share.
    std::string hall = "halle";
    // Broker: "host:port" of the MQTT broker; empty is no link.
    std::string broker;
    // BrokerUser, BrokerPassword: the login, none when the user is empty.
    std::string user;
    std::string password;
    // BrokerCaFile: TLS, checked against this CA file, when set.
    std::filesystem::path caFile;
    // The door's own totals survive a restart here, in the data folder.
    std::filesystem::path stateFile;
    std::int32_t capacity = 5;
};

// The computer's host name, the default door name.
std::string DefaultDoorName();

// Whether a name can be part of a topic name: not empty, no "/", "+", "#"
// and no control characters.
bool TopicNameAllowed(std::string_view name);

// A German sentence naming the key that cannot be used; empty when all can.
// Door and Hall become parts of topic names: neither may be empty nor hold
// "/", "+", "#" or control characters.
std::string SettingsProblem(const DoorLinkSettings &settings);
