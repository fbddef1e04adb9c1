#pragma once

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

// The reset that a door's totals count from, named by its moment in UTC and
// the door that made it: "2026-12-09T13:03:12.345Z/Nord". Epochs order by
// that moment, then by the door's name (as bytes), the same on every door, so
// that no door needs to hear of a reset before the totals counted after it.
// The epoch before any reset has the empty name and is older than all others.
class DoorEpoch {
public:
    using Time = std::chrono::sys_time<std::chrono::milliseconds>;

    DoorEpoch() = default;
    // The time is kept within the years 0000 to 9999, which the name can hold.
    DoorEpoch(Time at, std::string_view door);
    // Empty for a name this class would not have made (only then does the
    // plain order of the names equal the order of the epochs).
    static std::optional<DoorEpoch> Parse(std::string_view id);

    const std::string &Id() const { return id_; }
    bool Initial() const { return id_.empty(); }
    // The moment of the reset; the earliest time there is for the initial epoch.
    Time At() const { return at_; }
    // The door that reset; empty for the initial epoch.
    std::string_view Door() const;

    friend bool operator==(const DoorEpoch &a, const DoorEpoch &b) { return a.id_ == b.id_; }
    // The fixed-width time first: comparing the names compares (time, door).
    friend std::strong_ordering operator<=>(const DoorEpoch &a, const DoorEpoch &b) { return a.id_ <=> b.id_; }

private:
    std::string id_;
    Time at_ = Time::min();
};
