#pragma once

#include "hall/CounterState.h"
#include "hall/HallListener.h"

// Keeps the counter state's copy of the count and the capacity, which the
// windows read, in step with the hall; nothing else writes them. Told before
// any window.
class CounterMirror : public HallListener {
public:
    explicit CounterMirror(CounterState &state) : state_(state) {}

    void HallChanged(const HallChange &change) override
    {
        state_.VisitorCount = change.count;
        state_.MaxCounter = change.capacity;
    }
    void CapacityChanged(std::int32_t capacity) override { state_.MaxCounter = capacity; }

private:
    CounterState &state_;
};
