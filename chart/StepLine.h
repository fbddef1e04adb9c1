#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A point of a chart line: milliseconds since the epoch and a value.
struct ChartPoint {
    std::int64_t ms = 0;
    std::int32_t value = 0;
    bool operator==(const ChartPoint &) const = default;
};

// The points that draw a value held from one change to the next, as steps.
// A day may have 10^5 changes, more than a chart can draw quickly: within a
// bucket of time (a minute by default, less than a screen column on a day's
// chart) with more than two changes only the first, the lowest, the highest
// and the last value are kept, so that the line looks the same and its peak
// stays exact, while it holds at most five points per bucket.
class StepLine {
public:
    explicit StepLine(std::int64_t bucketMs = 60'000);

    // A change at ms to value. One that keeps the value draws nothing; one
    // before the last (a clock set back) counts at the last one's time, so
    // that the line never runs backwards.
    void Add(std::int64_t ms, std::int32_t value);

    const std::vector<ChartPoint> &Points() const { return points_; }
    bool Empty() const { return points_.empty(); }
    // The value held since the last change; 0 on an empty line.
    std::int32_t Last() const { return points_.empty() ? 0 : points_.back().value; }

private:
    void Draw();

    std::int64_t bucketMs_;
    std::vector<ChartPoint> points_;
    // The bucket being drawn: its points begin at start.
    struct Bucket {
        std::int64_t index = 0;
        std::size_t start = 0;
        bool hasBefore = false;
        std::int32_t before = 0;
        int changes = 0;
        ChartPoint first, lowest, highest, last;
    } bucket_;
};
