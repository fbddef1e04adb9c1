#pragma once

#include "feed/FeedSnapshot.h"
#include "hall/HallListener.h"

#include <string>
#include <vector>

class FeedService;

// Keeps the feed's snapshot as the hall changes and publishes it after each
// change: the count, the state by the nearly-full share, the passages per
// source and direction, and the warnings it is told. On the GUI thread, as a
// listener of the hall.
class FeedPublisher : public HallListener {
public:
    FeedPublisher(FeedService &server, std::int32_t count, std::int32_t capacity, int warnPercent);

    void HallChanged(const HallChange &change) override;
    void CapacityChanged(std::int32_t capacity) override;
    void SetWarnPercent(int warnPercent);
    // The warnings in force now, each a German sentence, and which barriers
    // are blocked.
    void SetWarnings(std::vector<std::string> warnings, bool entryBlocked, bool exitBlocked);
    // What the stop lamp shows; none while it is off.
    void SetLamp(std::optional<LampState> lamp);

    const FeedSnapshot &Snapshot() const { return snapshot_; }

private:
    void Publish(std::chrono::system_clock::time_point time);

    FeedService &server_;
    int warnPercent_;
    FeedSnapshot snapshot_;
};
