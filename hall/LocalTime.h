#pragma once

#include <chrono>

// A moment as the wall clock of the hall showed it.
struct LocalTime {
    std::chrono::year_month_day date;
    std::chrono::seconds timeOfDay{0};
    // East of UTC: +3600 for CET.
    std::chrono::seconds utcOffset{0};
};

// The local time of an instant in the system's time zone.
LocalTime LocalTimeAt(std::chrono::system_clock::time_point time);

// The local time of an instant whose UTC offset is known (a stored one).
LocalTime LocalTimeOf(std::chrono::sys_time<std::chrono::milliseconds> utc, std::chrono::seconds utcOffset);

// The instant the local date after that of time begins, in the system's time
// zone: its midnight, or its first moment where the clock skips midnight.
std::chrono::system_clock::time_point NextLocalDayStart(std::chrono::system_clock::time_point time);
