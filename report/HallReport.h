#pragma once

#include "hall/LocalTime.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The days a report covers, both included, in the hall's local dates.
struct ReportPeriod {
    enum class Kind { Day, Week, Month, Days };
    Kind kind = Kind::Day;
    std::chrono::year_month_day first;
    std::chrono::year_month_day last;
};

// The day, the week from Monday to Sunday, or the calendar month that holds
// the date.
ReportPeriod DayPeriod(std::chrono::year_month_day date);
ReportPeriod WeekPeriod(std::chrono::year_month_day date);
ReportPeriod MonthPeriod(std::chrono::year_month_day date);

// Visitors counted in and out by one kind of source.
struct ReportPassages {
    std::int64_t entries = 0;
    std::int64_t exits = 0;
};

// A barrier's warning: blocked or flickering, from its start to its clear
// (or the period's end, or the program's end, whichever came first).
struct ReportBarrierWarning {
    enum class Kind { EntryBlocked, ExitBlocked, EntryFlickering, ExitFlickering, PortLost };
    Kind kind = Kind::EntryBlocked;
    LocalTime from;
    std::chrono::seconds duration{0};
};

// One day's line in a week's or a month's report.
struct ReportDay {
    std::chrono::year_month_day date;
    // The program ran that day: a row, or a run going on across it.
    bool recorded = false;
    ReportPassages total;
    std::int32_t peak = 0;
    std::chrono::seconds atCapacity{0};
};

// A point of the count's curve: from this moment on the count was this.
struct ReportPoint {
    LocalTime at;
    std::int32_t count = 0;
    std::int32_t capacity = 0;
};

// What a report says about a period, computed from the journal's rows alone
// (MakeHallReport); the PDF and the CSV only show it.
struct HallReport {
    ReportPeriod period;
    // The hall's name as the report's title gives it.
    std::string hall;
    // The warning level the nearly-full time is measured with; 0: none.
    int warnPercent = 0;

    ReportPassages barriers; // the light barriers
    ReportPassages keys;     // REIN/RAUS and their keys
    ReportPassages otherDoors;
    ReportPassages total;

    // The count when the period began (the last row before it), if known,
    // and counts the program started or resumed with inside the period.
    std::optional<std::int32_t> countAtStart;
    // The count of the period's last row (else the count at its start).
    std::optional<std::int32_t> countAtEnd;
    std::int64_t starts = 0;
    std::int64_t resumes = 0;

    std::int32_t peak = 0;
    std::optional<LocalTime> peakAt; // its first moment
    // Time the count was at or above the capacity, and how often it reached it.
    std::chrono::seconds atCapacity{0};
    std::int64_t timesFull = 0;
    // Time from the warning level up to below the capacity; only with warnPercent.
    std::optional<std::chrono::seconds> nearlyFull;

    std::int64_t manualResets = 0; // RESET and other doors' resets
    std::int64_t otherDoorResets = 0; // of those, at another door
    std::int64_t dailyResets = 0;
    std::vector<ReportBarrierWarning> barrierWarnings;

    // The average count in each hour of the day (0-23), over the time the
    // program ran in that hour within the period; no value: it never ran then.
    std::array<std::optional<double>, 24> hourly{};
    // A line per day of the period (one for a day's report).
    std::vector<ReportDay> days;
    // The count's curve over the period, as steps.
    std::vector<ReportPoint> curve;
};
