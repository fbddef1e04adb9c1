#pragma once

#include <chrono>
#include <optional>

// One input line against contact bounce: a new level is taken only once the
// line has held it for the hold time, measured from the moments its changes
// were read (the wait thread's return), never from when they were handled.
// A hold of 0 takes every level at once. Times come from the caller.
class LineDebounce {
public:
    using Time = std::chrono::steady_clock::time_point;

    void SetHold(std::chrono::milliseconds hold) { hold_ = hold; }
    std::chrono::milliseconds Hold() const { return hold_; }

    // Starts from a level taken as it is, with nothing pending.
    void Reset(bool level);
    // A reading of the line at moment at.
    void Read(bool level, Time at);
    // The level taken by now, when it differs from the one taken before.
    std::optional<bool> Settle(Time now);
    // When Settle may take a level; empty when nothing is pending.
    std::optional<Time> Deadline() const;

private:
    std::chrono::milliseconds hold_{0};
    bool level_ = false;
    bool read_ = false;
    Time readSince_;
};
