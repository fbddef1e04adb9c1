#pragma once

#include "hall/DoorMerge.h"
#include "link/DoorLinkSettings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
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

// The door link as the program sees it (DoorLink, in the link's module,
// loaded when a broker is set); DoorLink says what each call does.
class DoorLinkClient {
public:
    virtual ~DoorLinkClient() = default;

    virtual std::string Start(const DoorLinkSettings &settings) = 0;
    virtual void Stop(std::chrono::milliseconds wait = std::chrono::seconds(2)) = 0;
    virtual bool Running() const = 0;
    virtual bool LocalPassage(DoorPassage passage) = 0;
    virtual void LocalReset() = 0;
    virtual void SetCapacity(std::int32_t capacity) = 0;
    // The hall's count as the door knows it now, 0 when not running.
    std::int32_t Count() const { return Current().count; }
    virtual DoorCount Current() const = 0;
    virtual std::vector<std::string> OtherDoors() const = 0;
};

// The module's functions: a link that tells callbacks, and whether the
// broker client can encrypt (it is built without TLS for Windows).
using NewDoorLinkClient = DoorLinkClient *(*)(DoorLinkCallbacks callbacks);
inline constexpr const char *kNewDoorLinkClient = "PontraNewDoorLinkClient";
using DoorLinkTlsAvailable = bool (*)();
inline constexpr const char *kDoorLinkTlsAvailable = "PontraDoorLinkTlsAvailable";
