#pragma once

#include "hall/LocalTime.h"

#include <chrono>
#include <optional>
#include <string_view>

// Reads the DailyReset setting: "HH:MM" (or "H:MM"), the local time of day
// of the reset. Empty means off (at stays empty). False when the text is no
// time of day, so that the caller can name the key.
bool ParseDailyResetTime(std::string_view text, std::optional<std::chrono::minutes> &at);

// When the daily reset is due: once the local time of day reaches the set
// time, on a date that has had no daily reset yet. So a computer that slept
// or was off at that time resets once when it runs again, a clock set back
// (summer time ending, a corrected clock) never resets twice on one date, and
// a clock jumping past the time resets once.
class DailyResetSchedule {
public:
    // at: the set time (empty = off); lastReset: the local date of the last
    // daily reset done, from the journal.
    DailyResetSchedule(std::optional<std::chrono::minutes> at, std::optional<std::chrono::year_month_day> lastReset);

    // The operator changed the time while the program runs. A time already
    // past today first comes round tomorrow: changing it never resets at once.
    void Change(std::optional<std::chrono::minutes> at, const LocalTime &now);

    // True when the count is to be reset now; then it counts as done today.
    bool ResetNow(const LocalTime &now);

    std::optional<std::chrono::minutes> At() const { return at_; }
    std::optional<std::chrono::year_month_day> LastReset() const { return lastReset_; }

private:
    bool DoneOn(std::chrono::year_month_day date) const { return lastReset_ && *lastReset_ >= date; }

    std::optional<std::chrono::minutes> at_;
    std::optional<std::chrono::year_month_day> lastReset_;
};
