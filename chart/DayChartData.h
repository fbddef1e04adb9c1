#pragma once

#include "chart/StepLine.h"
#include "journal/JournalRow.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// What the day's chart shows, from the day's journal rows in the order they
// happened: the count and the capacity as step lines, the entries and exits
// of each local hour, the day's totals and its peak. The totals and the peak
// come from every row, not from the reduced lines.
class DayChartData {
public:
    void Add(const JournalRow &row);

    const std::vector<JournalRow> &Rows() const { return rows_; }
    const StepLine &Occupancy() const { return occupancy_; }
    const StepLine &Capacity() const { return capacity_; }
    const std::array<int, 24> &EntriesPerHour() const { return entriesPerHour_; }
    const std::array<int, 24> &ExitsPerHour() const { return exitsPerHour_; }
    int Entries() const { return entries_; }
    int Exits() const { return exits_; }
    int Resets() const { return resets_; }
    // The first row with the day's highest count.
    const std::optional<JournalRow> &Peak() const { return peak_; }
    std::int32_t HighestCapacity() const { return highestCapacity_; }

private:
    std::vector<JournalRow> rows_;
    StepLine occupancy_;
    StepLine capacity_;
    std::array<int, 24> entriesPerHour_{};
    std::array<int, 24> exitsPerHour_{};
    int entries_ = 0;
    int exits_ = 0;
    int resets_ = 0;
    std::optional<JournalRow> peak_;
    std::int32_t highestCapacity_ = 0;
};
