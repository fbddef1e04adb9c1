#pragma once

#include "hall/HallListener.h"

#include <cstdint>
#include <functional>

// What the stop lamp at the door shows.
enum class LampState {
    Green, // "frei"
    Amber, // "fast voll", only with a warning level
    Red,   // "voll"
};

// The stop lamp's rules, from the hall's count and capacity: red from the
// capacity on, and only once the count is the hysteresis below it green
// again, so that a hall at its limit does not flicker between the two at the
// door. Amber while the hall is nearly full by the warning level. Asked to,
// a blocked barrier or a lost port shows red too: counting is blind then.
class DoorLamp : public HallListener {
public:
    struct Rules {
        // Visitors below the capacity at which red goes; at least 1.
        int hysteresis = 1;
        // As the public display's warning: 1..99, else no amber.
        int warnPercent = 0;
        bool redOnFault = false;
    };
    using Changed = std::function<void(LampState)>;

    DoorLamp(Rules rules, std::int32_t count, std::int32_t capacity, Changed changed = {});

    // The state at start is State(); changed hears each state that differs
    // from the one before. Rules are in effect at once.
    void SetRules(Rules rules);
    LampState State() const { return state_; }
    // The barriers' port is not open (none chosen, or it failed to open):
    // as blind as a lost one.
    void SetPortClosed(bool closed);

    void HallChanged(const HallChange &change) override;
    void CapacityChanged(std::int32_t capacity) override;
    void HallReported(const HallChange &report) override;

private:
    // The state for the count, the capacity and the faults now; holds red
    // through the hysteresis.
    LampState Compute();
    void Update();

    Rules rules_;
    std::int32_t count_;
    std::int32_t capacity_;
    Changed changed_;
    // Red for the count, held through the hysteresis.
    bool full_ = false;
    bool entryBlocked_ = false;
    bool exitBlocked_ = false;
    bool portLost_ = false;
    bool portClosed_ = false;
    LampState state_;
};
