#pragma once

#include "hall/HallChange.h"

#include <cstdint>

// Told of every change of the hall's count, after it happened, on the thread
// that changed it.
class HallListener {
public:
    virtual ~HallListener() = default;
    virtual void HallChanged(const HallChange &change) = 0;
    // The capacity changed; the count did not.
    virtual void CapacityChanged(std::int32_t capacity) { (void)capacity; }
    // A report on a barrier or the port (IsReport of its source), in order
    // with the changes; delta is 0 and the count is the hall's as it is.
    virtual void HallReported(const HallChange &report) { (void)report; }
};
