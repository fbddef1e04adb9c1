#include "hall/DoorEpoch.h"

#include <algorithm>
#include <utility>

DoorEpoch::DoorEpoch(std::int64_t stamp, std::string door)
    : stamp_(std::clamp<std::int64_t>(stamp, 0, kMostStamp)), door_(std::move(door))
{
}

std::string DoorEpoch::Text() const
{
    return Initial() ? std::string() : std::to_string(stamp_) + "/" + door_;
}
