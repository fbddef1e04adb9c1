#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

// One input line against contact bounce: a new level is taken only once the
// line has held it for the hold time, measured from the moments its changes
// were read (the wait thread's return), never from when they were handled.
// A hold of 0 takes every level at once. Times come from the caller.
//
// Each reading brings the line's change counter with its level: a line that
// changed twice or more since the reading before flickered in between, and
// its hold starts again even when its level is the same.
class LineDebounce {
public:
    using Time = std::chrono::steady_clock::time_point;

    void SetHold(std::chrono::milliseconds hold) { hold_ = hold; }
    std::chrono::milliseconds Hold() const { return hold_; }

    // Starts from a level taken as it is, with nothing pending.
    void Reset(bool level, std::uint32_t changes, Time at);
    // A reading of the line at moment at: its level and change counter.
    // Readings can arrive out of order (a wait's report handled after a
    // later look at the line); one older than the last is known already.
    void Read(bool level, std::uint32_t changes, Time at);
    // The level taken by now, when it differs from the one taken before.
    std::optional<bool> Settle(Time now);
    // When Settle may take a level; empty when nothing is pending.
    std::optional<Time> Deadline() const;

private:
    std::chrono::milliseconds hold_{0};
    bool level_ = false;
    bool read_ = false;
    Time readSince_;
    Time readAt_;
    std::uint32_t changes_ = 0;
};
