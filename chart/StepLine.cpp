#include "chart/StepLine.h"

#include <algorithm>

namespace {

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

} // namespace

StepLine::StepLine(std::int64_t bucketMs)
    : bucketMs_(std::max<std::int64_t>(bucketMs, 1))
{
}

void StepLine::Add(std::int64_t ms, std::int32_t value)
{
    if (!points_.empty()) {
        if (value == bucket_.last.value)
            return;
        ms = std::max(ms, bucket_.last.ms);
    }
    const ChartPoint point{ms, value};
    const std::int64_t index = FloorDiv(ms, bucketMs_);
    if (points_.empty() || index != bucket_.index) {
        const bool hasBefore = !points_.empty();
        bucket_ = {index, points_.size(), hasBefore, bucket_.last.value, 1, point, point, point, point};
    } else {
        ++bucket_.changes;
        if (value < bucket_.lowest.value)
            bucket_.lowest = point;
        if (value > bucket_.highest.value)
            bucket_.highest = point;
        bucket_.last = point;
    }
    Draw();
}

void StepLine::Draw()
{
    const Bucket &b = bucket_;
    points_.resize(b.start);
    if (b.hasBefore)
        points_.push_back({b.first.ms, b.before});
    points_.push_back(b.first);
    if (b.changes == 2) {
        // Two changes are still drawn as exact steps.
        points_.push_back({b.last.ms, b.first.value});
    } else if (b.changes > 2) {
        // Less than a screen column wide: the lowest and the highest value
        // in the order they came give the bucket's vertical stroke.
        const bool lowestFirst = b.lowest.ms <= b.highest.ms;
        for (const ChartPoint &extreme : {lowestFirst ? b.lowest : b.highest, lowestFirst ? b.highest : b.lowest}) {
            if (!(extreme == points_.back()) && !(extreme == b.last))
                points_.push_back(extreme);
        }
    }
    if (b.changes > 1)
        points_.push_back(b.last);
}
