#pragma once

#include <chrono>
#include <deque>
#include <optional>

// Whether one light barrier works: a beam interrupted for too long is
// blocked (a crate, a stand, a misaligned reflector), a line changing too
// often within a second flickers (sunlight, a loose wire, a bouncing relay).
// Times come from the caller. It only watches: counting does not ask it.
class BarrierHealth {
public:
    using Time = std::chrono::system_clock::time_point;
    enum class State { Clear, Blocked, Flickering };

    // blocked 0 and flickerPerSecond 0 switch their rule off.
    void SetLimits(std::chrono::seconds blocked, int flickerPerSecond);

    // A reading of the line: atCountLevel while its beam is interrupted.
    // Every change of the line counts for the flicker rule, also one that the
    // debounce ignores. Returns the new state when it changed.
    std::optional<State> Line(bool atCountLevel, Time at);
    // The line can no longer be read (the port closed): nothing new is found
    // until the next reading; what was found stays.
    void Unread();
    // The rules at moment now, without a reading; the new state when it changed.
    std::optional<State> Check(Time now);
    // When Check may find something new; empty when nothing is pending.
    std::optional<Time> NextCheck() const;

    State Current() const { return state_; }
    // Since when the current state holds: for Blocked, the moment the beam
    // was interrupted.
    Time Since() const { return since_; }

private:
    // Forgets the changes that left the last second before now.
    void Age(Time now);

    std::chrono::seconds blockedLimit_{30};
    int flickerLimit_ = 20;
    State state_ = State::Clear;
    Time since_;
    // The last reading; empty while the line is not read.
    std::optional<bool> atCountLevel_;
    Time levelSince_;
    // The changes within the last second.
    std::deque<Time> changes_;
};
