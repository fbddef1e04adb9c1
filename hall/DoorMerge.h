#pragma once

#include "hall/DoorEpoch.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>

enum class DoorPassage { In, Out };

// A door's own passages since the hall's last reset; both only grow.
struct DoorTotals {
    std::int64_t in = 0;
    std::int64_t out = 0;

    friend bool operator==(const DoorTotals &, const DoorTotals &) = default;
};

// The hall's count when several doors count it, each its own passages: the
// count is max(0, sum of in - sum of out) over the doors of the newest epoch
// known. Every door sends its running totals, so a message that is lost,
// repeated or late changes nothing once a newer one has been heard: of each
// door the highest totals heard within the epoch count. A door's totals of an
// older epoch are ignored; a newer epoch means that a door reset the hall.
// One thread at a time uses it.
class DoorMerge {
public:
    // How many of its own recent passages a door keeps, to count again those
    // made after a reset it hears of late.
    static constexpr std::size_t kRecentPassages = 1 << 16;

    explicit DoorMerge(std::string door);

    const std::string &Door() const { return door_; }
    const DoorEpoch &Epoch() const { return epoch_; }
    // The local door's totals in the epoch.
    DoorTotals Own() const;
    // The other doors' totals in the epoch, by name.
    const std::map<std::string, DoorTotals, std::less<>> &Others() const { return others_; }
    std::int64_t Count() const;

    // The local door's passage, counted at once, with the clock of the door.
    // False when it changes nothing: out of an empty hall, as with one door.
    bool Passage(DoorPassage passage, std::chrono::system_clock::time_point time);
    // The local door resets the hall: a new epoch, later than the one it
    // replaces also when the clock stands before that one.
    void Reset(std::chrono::system_clock::time_point time);
    // Another door's totals. A newer epoch is taken over, and of the local
    // door's passages those made from its moment on count in it again.
    void Heard(std::string_view door, const DoorEpoch &epoch, const DoorTotals &totals);
    // A door's reset, heard directly.
    void HeardReset(const DoorEpoch &epoch);
    // The local door's totals from before it started (its stored or its
    // published ones): within the epoch the larger ones count, with what the
    // door counted since it started on top.
    void TakeBack(const DoorEpoch &epoch, const DoorTotals &totals);

private:
    struct Recent {
        std::chrono::system_clock::time_point time;
        DoorPassage passage;
    };

    void Adopt(const DoorEpoch &epoch, const DoorTotals &base, std::string_view door, const DoorTotals &totals);
    bool Count(DoorPassage passage);

    std::string door_;
    DoorEpoch epoch_;
    // Own() is base_ (from before the start) plus counted_ (since).
    DoorTotals base_;
    DoorTotals counted_;
    std::deque<Recent> recent_;
    std::map<std::string, DoorTotals, std::less<>> others_;
};
