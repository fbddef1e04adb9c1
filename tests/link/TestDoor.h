#pragma once

#include "link/BrokerConnection.h"
#include "link/DoorLink.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A door for a test: its link and what the link told it.
class TestDoor {
public:
    TestDoor(DoorLinkSettings settings);

    // A new link on the same state file, as after a restart of the program.
    void Restart();
    // The link's count and the last count it told agree on `count`.
    bool Shows(std::int32_t count) const;

    DoorLink &Link() { return *link_; }
    DoorLinkSettings &Settings() { return settings_; }
    bool Connected() const;
    // How often the link came up, over restarts too.
    int Ups() const;
    std::string Reason() const;
    std::vector<std::int32_t> Told() const;
    std::vector<std::string> Notices() const;
    std::vector<RemoteReset> Resets() const;

private:
    DoorLinkCallbacks Callbacks();

    DoorLinkSettings settings_;
    std::unique_ptr<DoorLink> link_;
    mutable std::mutex mutex_;
    std::vector<std::int32_t> told_;
    bool connected_ = false;
    int ups_ = 0;
    std::string reason_;
    std::vector<std::string> notices_;
    std::vector<RemoteReset> resets_;
};

// Everything retained or sent under pontra/<hall>/, as the last message of
// each topic, seen from a client of its own.
class TopicWatch {
public:
    TopicWatch(const std::string &broker, const std::string &hall);

    // The newest message on the topic below pontra/<hall>/; empty if none.
    std::string Last(const std::string &topic) const;
    // The number in a JSON field of that message; -1 if there is none.
    std::int64_t Number(const std::string &topic, const char *field) const;
    std::string Text(const std::string &topic, const char *field) const;
    int Messages() const;
    bool Ready() const;

private:
    const std::string prefix_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string, std::less<>> last_;
    int messages_ = 0;
    bool ready_ = false;
    std::unique_ptr<BrokerConnection> connection_;
};
