#include "chart/DayChartData.h"

#include <algorithm>

namespace {

// The local hour of a row; a day that summer time ends has its second
// 02:00 hour in the same bar as the first.
std::size_t HourOf(const JournalRow &row)
{
    const auto hour = std::chrono::floor<std::chrono::hours>(row.Local().timeOfDay).count();
    return static_cast<std::size_t>(std::clamp<long long>(hour, 0, 23));
}

} // namespace

void DayChartData::Add(const JournalRow &row)
{
    rows_.push_back(row);
    const std::int64_t ms = row.time.time_since_epoch().count();
    occupancy_.Add(ms, row.count);
    capacity_.Add(ms, row.capacity);
    switch (row.change) {
    case JournalChange::Up:
        ++entries_;
        ++entriesPerHour_[HourOf(row)];
        break;
    case JournalChange::Down:
        ++exits_;
        ++exitsPerHour_[HourOf(row)];
        break;
    case JournalChange::Reset:
        ++resets_;
        break;
    case JournalChange::None:
    case JournalChange::Started:
    case JournalChange::Resumed:
    case JournalChange::Merged:
        break;
    }
    if (!peak_ || row.count > peak_->count)
        peak_ = row;
    highestCapacity_ = std::max(highestCapacity_, row.capacity);
}
