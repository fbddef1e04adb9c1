#pragma once

#include "hall/HallSource.h"

#include <chrono>
#include <cstdint>

// A change of the hall's count as its listeners see it.
struct HallChange {
    HallSource source = HallSource::In;
    std::chrono::system_clock::time_point time;
    // +1 or -1 for a passage, 0 for a reset, a start or the other doors' count.
    int delta = 0;
    // The count was set to 0 (RESET, the daily reset or another door's reset).
    bool reset = false;
    // A start that took over the last run's count.
    bool resumed = false;
    // Reports only: since when what is reported holds.
    std::chrono::system_clock::time_point since{};
    std::int32_t count = 0;
    std::int32_t capacity = 0;

    // The public display's test: the hall is full from the capacity on.
    bool Full() const { return count >= capacity; }
};
