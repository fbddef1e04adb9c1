#include "chart/LiveChanges.h"

#include <algorithm>

void LiveChanges::Add(const JournalRow &row)
{
    const auto day = row.Local().date;
    if (day_ != day) {
        day_ = day;
        rows_.clear();
    }
    rows_.push_back(row);
}

const std::deque<JournalRow> &LiveChanges::After(const std::vector<JournalRow> &read)
{
    // The journal holds the changes in the order they happened, so the rows
    // held up to the read's last one are all in it, and none after it.
    if (!read.empty()) {
        const auto last = std::find(rows_.rbegin(), rows_.rend(), read.back());
        if (last != rows_.rend())
            rows_.erase(rows_.begin(), last.base());
    }
    return rows_;
}
