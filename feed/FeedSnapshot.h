#pragma once

#include "hall/DoorLamp.h"
#include "hall/HallSource.h"
#include "hall/OccupancyState.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The passages one source counted in one direction since the program started.
struct PassageTotal {
    HallSource source = HallSource::In;
    bool in = true;
    std::uint64_t passages = 0;

    bool operator==(const PassageTotal &) const = default;
};

// What the live feed tells about the hall at one moment.
struct FeedSnapshot {
    std::int32_t count = 0;
    std::int32_t capacity = 0;
    OccupancyState state = OccupancyState::Open;
    // The last change.
    std::chrono::system_clock::time_point updated;
    // What the operator should act on, in German, one sentence each.
    std::vector<std::string> warnings;
    bool entryBlocked = false;
    bool exitBlocked = false;
    std::vector<PassageTotal> passages;
    // What the stop lamp at the door shows; none while it is off.
    std::optional<LampState> lamp;
};
