#pragma once

#include "hall/HallEvent.h"

#include <cstdint>
#include <optional>

// Counts the local door's passages and resets where the hall's count is kept
// when several doors share it (the door link), instead of the hall itself.
class HallGate {
public:
    virtual ~HallGate() = default;
    // A passage or a reset at this door; the hall's count after it, or
    // nothing when it changes nothing (out of an empty hall).
    virtual std::optional<std::int32_t> Counted(const HallEvent &event) = 0;
};
