#pragma once

#include <cstdint>

// What changed the hall's count, or what a report without a change is about. The day journal stores these values, so a
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
    // Reports on the barriers, their port and the program; they change no count.
    EntryBlocked = 10,    // Eingang blockiert
    EntryClear = 11,      // Eingang frei
    EntryFlickering = 12, // Eingang flattert
    ExitBlocked = 13,
    ExitClear = 14,
    ExitFlickering = 15,
    PortLost = 16,
    PortBack = 17,
    // The settings could not be stored as the system ended the run.
    SettingsNotStored = 18,
    // The stop lamp at the door changed its colour.
    LampGreen = 19, // Ampel grün
    LampAmber = 20, // Ampel gelb
    LampRed = 21,   // Ampel rot
};

// Whether the hall passes the source on as a report instead of a change.
constexpr bool IsReport(HallSource source)
{
    return source >= HallSource::EntryBlocked && source <= HallSource::LampRed;
}

// Whether the report is the stop lamp's.
constexpr bool IsLampReport(HallSource source)
{
    return source >= HallSource::LampGreen && source <= HallSource::LampRed;
}
