#include "hall/OccupancyState.h"

#include <algorithm>

OccupancyState OccupancyStateOf(std::int32_t count, std::int32_t capacity, int warnPercent)
{
    if (count >= capacity)
        return OccupancyState::Full;
    if (warnPercent < 1 || warnPercent > 99)
        return OccupancyState::Open;
    // count >= ceil(capacity × p / 100) exactly when count × 100 >= capacity × p;
    // in 64 bits, so that no capacity overflows and nothing is rounded.
    const bool warn = std::int64_t{count} * 100 >= std::int64_t{capacity} * warnPercent;
    return warn ? OccupancyState::NearlyFull : OccupancyState::Open;
}

std::int32_t PlacesLeft(std::int32_t count, std::int32_t capacity)
{
    return static_cast<std::int32_t>(std::max<std::int64_t>(0, std::int64_t{capacity} - count));
}
