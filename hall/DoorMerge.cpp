#include "hall/DoorMerge.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();

// Totals come from other computers: never below 0, sums never overflow.
std::int64_t Add(std::int64_t a, std::int64_t b)
{
    return a > kMost - b ? kMost : a + b;
}

DoorTotals Sane(const DoorTotals &totals)
{
    return {std::max<std::int64_t>(totals.in, 0), std::max<std::int64_t>(totals.out, 0)};
}

DoorTotals Larger(const DoorTotals &a, const DoorTotals &b)
{
    return {std::max(a.in, b.in), std::max(a.out, b.out)};
}

} // namespace

DoorMerge::DoorMerge(std::string door)
    : door_(std::move(door))
{
}

DoorTotals DoorMerge::Own() const
{
    return {Add(base_.in, counted_.in), Add(base_.out, counted_.out)};
}

std::int64_t DoorMerge::Count() const
{
    DoorTotals sum = Own();
    for (const auto &[door, totals] : others_)
        sum = {Add(sum.in, totals.in), Add(sum.out, totals.out)};
    return sum.in > sum.out ? sum.in - sum.out : 0;
}

bool DoorMerge::Count(DoorPassage passage)
{
    if (passage == DoorPassage::Out && Count() == 0)
        return false;
    auto &total = passage == DoorPassage::In ? counted_.in : counted_.out;
    total = Add(total, 1);
    return true;
}

bool DoorMerge::Passage(DoorPassage passage, std::chrono::system_clock::time_point time)
{
    if (!Count(passage))
        return false;
    recent_.push_back({time, passage});
    if (recent_.size() > kRecentPassages)
        recent_.pop_front();
    return true;
}

void DoorMerge::Reset(std::chrono::system_clock::time_point time)
{
    epoch_ = DoorEpoch(std::max(std::chrono::floor<std::chrono::milliseconds>(time),
                                epoch_.At() + std::chrono::milliseconds(1)),
                       door_);
    base_ = counted_ = {};
    recent_.clear();
    others_.clear();
}

void DoorMerge::Heard(std::string_view door, const DoorEpoch &epoch, const DoorTotals &totals)
{
    if (door == door_ || epoch < epoch_)
        return;
    if (epoch > epoch_) {
        Adopt(epoch, {}, door, Sane(totals));
        return;
    }
    auto known = others_.find(door);
    if (known == others_.end())
        others_.emplace(door, Sane(totals));
    else
        known->second = Larger(known->second, Sane(totals));
}

void DoorMerge::HeardReset(const DoorEpoch &epoch)
{
    if (epoch > epoch_)
        Adopt(epoch, {}, {}, {});
}

void DoorMerge::TakeBack(const DoorEpoch &epoch, const DoorTotals &totals)
{
    if (epoch == epoch_)
        base_ = Larger(base_, Sane(totals));
    else if (epoch > epoch_)
        Adopt(epoch, Sane(totals), {}, {});
}

void DoorMerge::Adopt(const DoorEpoch &epoch, const DoorTotals &base, std::string_view door,
                      const DoorTotals &totals)
{
    epoch_ = epoch;
    base_ = base;
    counted_ = {};
    others_.clear();
    if (!door.empty())
        others_.emplace(door, totals);
    // The door's passages from the reset's moment on happened in the new
    // epoch; counted again by the usual rule, so that no exit takes the
    // hall below what the door knows of it now.
    std::deque<Recent> earlier;
    earlier.swap(recent_);
    for (const Recent &passage : earlier) {
        if (passage.time >= epoch.At() && Count(passage.passage))
            recent_.push_back(passage);
    }
}
