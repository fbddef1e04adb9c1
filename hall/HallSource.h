#pragma once

#include <cstdint>

// What changed the hall's count. The day journal stores these values, so a
// value is never renumbered or reused; new sources take new values.
enum class HallSource : std::uint16_t {
    EntryBarrier = 1,
    ExitBarrier = 2,
    In = 3,    // REIN
    Out = 4,   // RAUS
    Reset = 5, // RESET
    DailyReset = 6,
    Start = 7,
    // The count the other doors of the hall changed (several entrances).
    OtherDoors = 8,
    // Another door reset the hall.
    OtherDoorReset = 9,
};
