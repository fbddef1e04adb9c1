#pragma once

#include "link/DoorLinkClient.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
class DoorLink : public DoorLinkClient {
public:
    explicit DoorLink(DoorLinkCallbacks callbacks);
    // Stops with the default wait.
    ~DoorLink() override;
    DoorLink(const DoorLink &) = delete;
    DoorLink &operator=(const DoorLink &) = delete;

    // Reads the state file and starts connecting; a link already running is
    // stopped first. Returns a German sentence naming the setting that cannot
    // be used (then the link does not run), else empty. Count() then holds the
    // count to show; no callback tells it.
    std::string Start(const DoorLinkSettings &settings) override;
    // Says "online": false on the door's topic, disconnects and ends the
    // threads, waiting `wait` at most; no callback runs after it returns.
    void Stop(std::chrono::milliseconds wait = std::chrono::seconds(2)) override;
    bool Running() const override { return shared_ != nullptr; }

    // The local door's passage; returns at once. False when it is not
    // counted: out of an empty hall when the door knows of no other, or the
    // link does not run.
    bool LocalPassage(DoorPassage passage) override;
    // The local door resets the hall (RESET, F10 or the daily reset);
    // returns at once.
    void LocalReset() override;
    void SetCapacity(std::int32_t capacity) override;
    // The hall's count as the door knows it now, with its version (Count()
    // in the seam: the count alone); 0 when not running; below 0 it is 0.
    DoorCount Current() const override;
    // The names of the other doors of the hall the door has heard of.
    std::vector<std::string> OtherDoors() const override;

private:
    struct Shared;
    static void RunPublisher(const std::shared_ptr<Shared> &shared);

    DoorLinkCallbacks callbacks_;
    std::shared_ptr<Shared> shared_;
    std::thread publisher_;
};
