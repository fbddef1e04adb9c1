#pragma once

#include "hall/HallSource.h"

#include <chrono>
#include <cstdint>

// A request to change the hall's count, with its cause and the moment it
// happened (the caller's clock, so that tests choose it).
struct HallEvent {
    HallSource source = HallSource::In;
    std::chrono::system_clock::time_point time;
    // Start: the count the program starts with, 0 or the count taken over
    // from the last run. OtherDoors: the hall's count the doors tell.
    std::int32_t count = 0;
    // Start only: the count was taken over from the last run.
    bool resumed = false;
    // Reports only: since when what is reported holds (a beam interrupted
    // since before it counted as blocked).
    std::chrono::system_clock::time_point since{};
};
