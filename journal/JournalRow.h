#pragma once

#include "hall/HallChange.h"
#include "hall/LocalTime.h"

#include <chrono>
#include <cstdint>
#include <string_view>

// What a row did to the count. Stored as these values: never renumber them.
enum class JournalChange : std::int8_t {
    None = 0, // the count stayed: a row that only reports something
    Up = 1,
    Down = -1,
    Reset = 2,   // set to 0
    Started = 3, // the program started with this count
    Resumed = 4, // the program started with the last run's count
    Merged = 5,  // set to the count the hall's other doors tell
};

// One row of the day journal.
struct JournalRow {
    std::chrono::sys_time<std::chrono::milliseconds> time;
    // The hall's offset from UTC at that moment, east positive.
    std::chrono::seconds utcOffset{0};
    // A HallSource value, or the code of a row that only reports.
    std::uint16_t source = 0;
    JournalChange change = JournalChange::None;
    std::int32_t count = 0;
    std::int32_t capacity = 0;

    LocalTime Local() const { return LocalTimeOf(time, utcOffset); }
    bool operator==(const JournalRow &) const = default;
};

// The row that records a change of the hall, with the offset at its time.
JournalRow JournalRowOf(const HallChange &change, std::chrono::seconds utcOffset);

// The names the export and the database's readable view give a source and a
// change; empty for codes this program does not know.
std::string_view JournalSourceName(std::uint16_t source);
std::string_view JournalChangeText(JournalChange change);
