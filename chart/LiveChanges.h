#pragma once

#include "journal/JournalRow.h"

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

// The hall's changes of the current local day, as rows, that the journal
// may not hold yet: rows reach it within a second, so a day read from it
// can lack the last ones, or hold some that the chart also heard live.
class LiveChanges {
public:
    // A row of another day than the ones held replaces them.
    void Add(const JournalRow &row);

    // The local day of the rows held; empty before the first.
    std::optional<std::chrono::year_month_day> Day() const { return day_; }

    // The rows held that come after a read of their day (rows in the order
    // they happened). The ones the read holds are forgotten: they are in
    // the journal from now on.
    const std::deque<JournalRow> &After(const std::vector<JournalRow> &read);

private:
    std::optional<std::chrono::year_month_day> day_;
    // A deque grows without moving what it holds: a long day's rows are
    // never copied while a count waits.
    std::deque<JournalRow> rows_;
};
