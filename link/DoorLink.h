#pragma once

#include "hall/DoorMerge.h"
#include "link/DoorLinkSettings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// A reset the door heard of from another door.
struct RemoteReset {
    // "2026-12-09T13:03:12.345Z/Nord"
    std::string epoch;
    // The door that reset.
    std::string by;
    // When it reset, by that door's clock.
    std::chrono::system_clock::time_point at;
};

// The callbacks of a door link. They run on the link's threads, one at a
// time and never while the caller's LocalPassage() or LocalReset() runs; the
// caller hands them to its own thread (a queued call).
struct DoorLinkCallbacks {
    // The hall's count differs from the one told last. Each call carries the
    // count at the time of the call, so the last one holds the current count.
    std::function<void(std::int32_t count)> hallCountChanged;
    // The link came up or went down; reason is a German sentence
    // ("Verbunden mit dem Hallen-Server „…“.", "Der Hallen-Server „…“ nimmt
    // keine Verbindung an."). Told again when the reason changes.
    std::function<void(bool connected, const std::string &reason)> connectionChanged;
    // A German notice for the operator, once until the link works again:
    // the broker refuses the login or the certificate, or the state file
    // cannot be written.
    std::function<void(const std::string &notice)> notice;
    // Another door reset the hall; the count the link tells next already
    // counts from it.
    std::function<void(const RemoteReset &reset)> remoteReset;
    // The occupancy's "state" for a count: "open", "nearlyFull" or "full";
    // by default "full" from the capacity on, else "open".
    std::function<std::string(std::int64_t count, std::int32_t capacity)> occupancyState;
};

// The door's link to the other doors of its hall through an MQTT broker:
// the hall's count from every door's running totals (DoorMerge), kept in
// step over the broker, on the link's own threads.
//
// Each door publishes, retained at QoS 1, its totals on
// pontra/<Hall>/door/<Door> (its will there, not retained, says "online":
// false) and a reset on pontra/<Hall>/reset; the hall's count goes retained
// at QoS 0 on pontra/<Hall>/occupancy. After connecting, an empty message to
// itself on pontra/<Hall>/sync/<Door> tells it that the retained messages
// have all arrived.
// While the broker is away the door counts on; the count is the last known
// count plus the door's own passages since. A door that starts takes its
// totals back from its state file and its retained topic, the larger of the
// two within the epoch, so the hall's count does not jump.
class DoorLink {
public:
    explicit DoorLink(DoorLinkCallbacks callbacks);
    // Stops with the default wait.
    ~DoorLink();
    DoorLink(const DoorLink &) = delete;
    DoorLink &operator=(const DoorLink &) = delete;

    // Reads the state file and starts connecting; a link already running is
    // stopped first. Returns a German sentence naming the setting that cannot
    // be used (then the link does not run), else empty. Count() then holds the
    // count to show; no callback tells it.
    std::string Start(const DoorLinkSettings &settings);
    // Says "online": false on the door's topic, disconnects and ends the
    // threads, waiting `wait` at most; no callback runs after it returns.
    void Stop(std::chrono::milliseconds wait = std::chrono::seconds(2));
    bool Running() const { return shared_ != nullptr; }

    // The local door's passage; returns at once. False when it changes
    // nothing: out of an empty hall (the count the door knows), or the link
    // does not run.
    bool LocalPassage(DoorPassage passage, std::chrono::system_clock::time_point time);
    // The local door resets the hall (RESET, F10 or the daily reset);
    // returns at once.
    void LocalReset(std::chrono::system_clock::time_point time);
    void SetCapacity(std::int32_t capacity);
    // The hall's count as the door knows it now; 0 when not running.
    std::int32_t Count() const;

private:
    struct Shared;
    static void RunPublisher(const std::shared_ptr<Shared> &shared);

    DoorLinkCallbacks callbacks_;
    std::shared_ptr<Shared> shared_;
    std::thread publisher_;
};
