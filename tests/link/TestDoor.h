#pragma once

#include "link/BrokerConnection.h"
#include "link/DoorLink.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A door for a test: its link and what the link told it.
class TestDoor {
public:
    struct Told {
        std::vector<std::int32_t> counts;
        bool connected = false;
        // How often the link came up, over restarts too.
        int ups = 0;
        std::string reason;
        std::vector<std::string> notices;
        std::vector<RemoteReset> resets;
    };

    explicit TestDoor(DoorLinkSettings doorSettings);

    // A new link on the same state file, as after a restart of the program.
    void Restart();
    // The link's count and the last count it told are both `count`.
    bool Shows(std::int32_t count) const;
    Told Heard() const;
    DoorLink &Link() { return *link_; }

    DoorLinkSettings settings;

private:
    mutable std::mutex mutex_;
    Told told_;
    // Last, so that it goes first: its callbacks write into the above.
    std::unique_ptr<DoorLink> link_;
};

// The last message of each topic under pontra/<hall>/, retained or sent, as
// a client of its own sees them.
class TopicWatch {
public:
    TopicWatch(const std::string &broker, const std::string &hall);

    // The topic is named below pontra/<hall>/; empty when none came.
    std::string Last(const std::string &topic) const;
    // A field of the last message's JSON: -1 or "" when there is none.
    std::int64_t Number(const std::string &topic, const char *field) const;
    std::string Text(const std::string &topic, const char *field) const;
    // A rogue publisher's message, once the watch is connected.
    void Publish(const std::string &topic, const std::string &payload, bool retain = true);

private:
    std::atomic<bool> ready_{false};
    const std::string prefix_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string, std::less<>> last_;
    std::unique_ptr<BrokerConnection> connection_;
};
