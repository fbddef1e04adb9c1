#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

// A reset of the hall, named by a logical stamp and the door that made it.
// The stamp is one more than the highest a door had seen when it reset
// (a Lamport clock carried in every door's message), so a reset made after
// hearing of another is always newer, whatever the computers' clocks say.
// Two resets made without hearing of each other may get the same stamp; the
// door's name (as bytes) decides between them, the same on every door. The
// epoch before any reset has stamp 0 and no door, and is older than all others.
class DoorEpoch {
public:
    // Stamps are whole numbers a JSON reader keeps exactly.
    static constexpr std::int64_t kMostStamp = (std::int64_t(1) << 53) - 1;

    DoorEpoch() = default;
    DoorEpoch(std::int64_t stamp, std::string door);

    std::int64_t Stamp() const { return stamp_; }
    const std::string &Door() const { return door_; }
    bool Initial() const { return stamp_ == 0; }
    // "17/Nord", for the operator and the log; empty for the initial epoch.
    std::string Text() const;

    friend bool operator==(const DoorEpoch &, const DoorEpoch &) = default;
    friend std::strong_ordering operator<=>(const DoorEpoch &a, const DoorEpoch &b)
    {
        if (const auto order = a.stamp_ <=> b.stamp_; order != 0)
            return order;
        return a.door_.compare(b.door_) <=> 0;
    }

private:
    std::int64_t stamp_ = 0;
    std::string door_;
};
