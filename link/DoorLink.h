#pragma once

#include "hall/DoorMerge.h"
#include "link/DoorLinkSettings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A reset the door heard of from another door.
struct RemoteReset {
    // "17/Nord": its stamp and door.
    std::string epoch;
    // The door that reset.
    std::string by;
};

// The hall's count as the link knows it, numbered: of two, the one with the
// higher version is the newer.
struct DoorCount {
    std::int32_t count = 0;
    std::uint64_t version = 0;
};

// The callbacks of a door link. They run on the link's threads, one at a
// time and never while the caller's LocalPassage() or LocalReset() runs; the
// caller hands them to its own thread (a queued call).
struct DoorLinkCallbacks {
    // The hall's count changed. Each call carries the count with its
    // version; a receiver keeps the newest and never replays an older one.
    std::function<void(DoorCount count)> hallCountChanged;
    // The link came up or went down; reason is a German sentence
    // ("Verbunden mit dem Hallen-Server „…“.", "Der Hallen-Server „…“ nimmt
    // keine Verbindung an.", "Zwei Eingänge heißen „…“ …"). Told again when
    // the reason changes.
    std::function<void(bool connected, const std::string &reason)> connectionChanged;
    // A German notice for the operator, once until the link works again:
    // the broker refuses the login or the certificate, the state file
    // cannot be written, another door has this door's name, the door took
    // its lost totals back from the others.
    std::function<void(const std::string &notice)> notice;
    // Another door reset the hall; the count the link tells next already
    // counts from it.
    std::function<void(const RemoteReset &reset)> remoteReset;
    // The occupancy's "state" for a count: "open", "nearlyFull" or "full";
    // by default "full" from the capacity on, else "open".
    std::function<std::string(std::int64_t count, std::int32_t capacity)> occupancyState;
};

// The door's link to the other doors of its hall through an MQTT broker:
// the hall's count from every door's running totals and the newest reset's
// baseline (DoorMerge), kept in step over the broker, on the link's own
// threads.
//
// A door publishes, retained at QoS 1, its totals on pontra/<Hall>/door/<Door>
// when it counted a passage, reset or connected (its will there, not
// retained, says "online": false), and its resets on pontra/<Hall>/reset.
// The hall's count goes retained at QoS 0 on pontra/<Hall>/occupancy, sent by
// the door of the lowest name online; it is never read as the count. After
// connecting, an empty message to itself on pontra/<Hall>/sync/<Door> tells a
// door that the retained messages have all arrived.
// While the broker is away the door counts on; the count is the last known
// count plus the door's own passages since. A door that starts takes its
// totals back from its state file, its retained topic and the newest reset's
// baseline; with none of these it asks the other doors for their view of it
// before it sends its totals.
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

    // The local door's passage; returns at once. False when it is not
    // counted: out of an empty hall when the door knows of no other, or the
    // link does not run.
    bool LocalPassage(DoorPassage passage);
    // The local door resets the hall (RESET, F10 or the daily reset);
    // returns at once.
    void LocalReset();
    void SetCapacity(std::int32_t capacity);
    // The hall's count as the door knows it now, 0 when not running; below 0
    // it is 0.
    std::int32_t Count() const { return Current().count; }
    DoorCount Current() const;
    // The names of the other doors of the hall the door has heard of.
    std::vector<std::string> OtherDoors() const;

private:
    struct Shared;
    static void RunPublisher(const std::shared_ptr<Shared> &shared);

    DoorLinkCallbacks callbacks_;
    std::shared_ptr<Shared> shared_;
    std::thread publisher_;
};
