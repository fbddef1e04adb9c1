#pragma once

#include <cstdint>

// How full the hall is, as the public display and the live feed show it.
enum class OccupancyState {
    Open,
    NearlyFull,
    Full,
};

// warnPercent 1..99 warns from ceil(capacity × warnPercent / 100) visitors up
// to one below the capacity; any other value switches the warning off. Full
// from the capacity on, as the public display's stop screen.
OccupancyState OccupancyStateOf(std::int32_t count, std::int32_t capacity, int warnPercent);

// The places still free, never below 0.
std::int32_t PlacesLeft(std::int32_t count, std::int32_t capacity);
