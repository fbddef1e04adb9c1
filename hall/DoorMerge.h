#pragma once

#include "hall/DoorEpoch.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class DoorPassage { In, Out };

// A door's running totals: every passage it counted, since it was first
// linked; they only grow, resets included.
struct DoorTotals {
    std::int64_t in = 0;
    std::int64_t out = 0;

    // The most a door's total may be; more is nobody's.
    static constexpr std::int64_t kMost = 2147483647;

    // Lower in either total: an older message of the same door.
    bool Below(const DoorTotals &other) const { return in < other.in || out < other.out; }
    friend bool operator==(const DoorTotals &, const DoorTotals &) = default;
};

using DoorTotalsByName = std::map<std::string, DoorTotals, std::less<>>;

// A reset: the totals of every door the resetting door knew of at that
// moment. The hall counts from them.
struct DoorReset {
    DoorEpoch epoch;
    DoorTotalsByName baseline;

    friend bool operator==(const DoorReset &, const DoorReset &) = default;
};

// What a door's message says of it.
struct DoorReport {
    // Random for every run of a door: tells two computers with one door's
    // name apart, and a door's restart from its earlier run.
    std::string instance;
    bool online = true;
    DoorTotals totals;
    // The highest stamp the door had seen.
    std::int64_t clock = 0;
};

// The hall's count when several doors count it, each its own passages:
// the sum of every door's running totals less the sum of the baseline of the
// newest reset, shown as 0 when below. Every door sends its whole totals, so
// a message that is lost, repeated or late changes nothing once a newer one
// has been heard; a passage a door counted while cut off is never wiped by a
// reset it did not know of, as the reset's baseline holds only what the
// resetting door knew. No clock decides anything.
// One thread at a time uses it.
class DoorMerge {
public:
    // What is kept of a door, of the others.
    struct Other {
        DoorTotals totals;
        // Empty when known only from a state file or a reset's baseline.
        std::string instance;
        bool online = false;
    };

    explicit DoorMerge(std::string door);

    const std::string &Door() const { return door_; }
    const DoorReset &LastReset() const { return reset_; }
    const DoorEpoch &Epoch() const { return reset_.epoch; }
    // The highest stamp seen.
    std::int64_t Clock() const { return clock_; }
    DoorTotals Own() const { return {base_.in + counted_.in, base_.out + counted_.out}; }
    // The part of Own() from before the start.
    const DoorTotals &TakenBack() const { return base_; }
    const std::map<std::string, Other, std::less<>> &Others() const { return others_; }
    DoorTotalsByName OthersTotals() const;
    // The sum, which may be below 0; Count() shows it.
    std::int64_t Sum() const;
    std::int64_t Count() const { return Sum() > 0 ? Sum() : 0; }
    // No door of a lower name is online: this door sends the hall's count.
    bool Leads() const;

    // The local door's passage, counted at once. A linked door counts every
    // exit, also one the hall's count does not show (another door's entry it
    // has not heard of yet); only a door that knows of no other keeps the
    // rule of one door: no exit out of an empty hall. False when not counted.
    bool Passage(DoorPassage passage);
    // The local door resets the hall: a stamp one above the highest seen,
    // the totals of every door it knows as the baseline.
    void Reset();
    // Another door's message. Refused (false): totals lower than already
    // heard of that door; a run of the door other than the known one while
    // that one may count on (see the .cpp); its late goodbye.
    bool Heard(std::string_view door, const DoorReport &report);
    // A reset heard from a door. One newer than the hall's is taken when its
    // stamp is at most one above the highest seen; one further ahead waits
    // until the doors' messages bring the clock up to it. False when not
    // taken now.
    bool HeardReset(const DoorReset &reset);
    // The local door's totals from before it started (its state file, its
    // own topic, another door's view of it): the larger count, with what the
    // door counted since its start on top.
    void TakeBack(const DoorTotals &totals);
    // What a state file held, at the start.
    void Resume(std::int64_t clock, const DoorReset &reset, const DoorTotalsByName &others);

private:
    struct Runs {
        // Runs of the door that another run replaced, and runs found out as
        // impostors; a few of each.
        std::vector<std::string> earlier;
        std::vector<std::string> refused;
    };

    void Take(const DoorReset &reset);
    void SeeClock(std::int64_t clock);

    std::string door_;
    std::int64_t clock_ = 0;
    DoorReset reset_;
    // Resets too far ahead to take yet, the nearest few.
    std::vector<DoorReset> waiting_;
    DoorTotals base_;
    DoorTotals counted_;
    std::map<std::string, Other, std::less<>> others_;
    std::map<std::string, Runs, std::less<>> runs_;
};
