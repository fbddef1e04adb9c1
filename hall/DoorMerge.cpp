#include "hall/DoorMerge.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// How many earlier and refused runs of a door, and resets waiting, are kept in mind.
constexpr std::size_t kRunsKept = 8;

DoorTotals Larger(const DoorTotals &a, const DoorTotals &b)
{
    return {std::max(a.in, b.in), std::max(a.out, b.out)};
}

bool Sane(const DoorTotals &totals)
{
    return totals.in >= 0 && totals.out >= 0 && totals.in <= DoorTotals::kMost && totals.out <= DoorTotals::kMost;
}

bool Holds(const std::vector<std::string> &runs, std::string_view run)
{
    return std::find(runs.begin(), runs.end(), run) != runs.end();
}

void Remember(std::vector<std::string> &runs, std::string run)
{
    if (run.empty() || Holds(runs, run))
        return;
    if (runs.size() == kRunsKept)
        runs.erase(runs.begin());
    runs.push_back(std::move(run));
}

} // namespace

DoorMerge::DoorMerge(std::string door)
    : door_(std::move(door))
{
}

DoorTotalsByName DoorMerge::OthersTotals() const
{
    DoorTotalsByName totals;
    for (const auto &[door, other] : others_)
        totals.emplace(door, other.totals);
    return totals;
}

std::int64_t DoorMerge::Sum() const
{
    const auto since = [this](std::string_view door, const DoorTotals &totals) {
        const auto base = reset_.baseline.find(door);
        const DoorTotals from = base == reset_.baseline.end() ? DoorTotals() : base->second;
        return (totals.in - from.in) - (totals.out - from.out);
    };
    std::int64_t sum = since(door_, Own());
    for (const auto &[door, other] : others_)
        sum += since(door, other.totals);
    return sum;
}

bool DoorMerge::Leads() const
{
    return std::none_of(others_.begin(), others_.end(),
                        [this](const auto &other) { return other.second.online && other.first < door_; });
}

bool DoorMerge::Passage(DoorPassage passage)
{
    if (passage == DoorPassage::Out && others_.empty() && Count() == 0)
        return false;
    std::int64_t &total = passage == DoorPassage::In ? counted_.in : counted_.out;
    const std::int64_t before = passage == DoorPassage::In ? base_.in : base_.out;
    if (before + total >= DoorTotals::kMost)
        return false;
    ++total;
    return true;
}

void DoorMerge::Reset()
{
    DoorTotalsByName baseline = OthersTotals();
    baseline[door_] = Own();
    Take({DoorEpoch(clock_ + 1, door_), std::move(baseline)});
}

bool DoorMerge::Heard(std::string_view door, const DoorReport &report)
{
    if (door.empty() || door == door_ || !Sane(report.totals))
        return false;
    Runs &runs = runs_[std::string(door)];
    if (Holds(runs.refused, report.instance))
        return false;
    const auto found = others_.find(door);
    if (found == others_.end()) {
        others_.emplace(std::string(door), Other{report.totals, report.instance, report.online});
        SeeClock(report.clock);
        return true;
    }
    Other &known = found->second;
    if (report.instance != known.instance && Holds(runs.earlier, report.instance)) {
        // A run that another replaced speaks again. Its goodbye, late, is
        // no news; online, it finds the other out: a copy of its messages
        // (hand-written or another computer's), which the door answers by
        // sending its own again. Its totals count from now on, also lower.
        if (!report.online)
            return false;
        Remember(runs.refused, known.instance);
        std::erase(runs.earlier, report.instance);
        known = {report.totals, report.instance, true};
        SeeClock(report.clock);
        return true;
    }
    // The same run, or a new one after a restart (which takes its totals
    // back before it sends them): never lower than heard.
    if (report.totals.Below(known.totals))
        return false;
    if (report.instance != known.instance)
        Remember(runs.earlier, known.instance);
    known = {report.totals, report.instance, report.online};
    SeeClock(report.clock);
    return true;
}

bool DoorMerge::HeardReset(const DoorReset &reset)
{
    if (reset.epoch <= reset_.epoch)
        return false;
    if (reset.epoch.Stamp() > clock_ + 1) {
        const auto later = [](const DoorReset &a, const DoorReset &b) { return a.epoch < b.epoch; };
        const auto at = std::lower_bound(waiting_.begin(), waiting_.end(), reset, later);
        if (at == waiting_.end() || at->epoch != reset.epoch)
            waiting_.insert(at, reset);
        // The farthest ahead go first: a forged stamp must not crowd out
        // a door's resets made while it was cut off.
        if (waiting_.size() > kRunsKept)
            waiting_.pop_back();
        return false;
    }
    Take(reset);
    return true;
}

void DoorMerge::TakeBack(const DoorTotals &totals)
{
    if (Sane(totals))
        base_ = Larger(base_, totals);
}

void DoorMerge::Resume(std::int64_t clock, const DoorReset &reset, const DoorTotalsByName &others)
{
    for (const auto &[door, totals] : others) {
        if (door != door_ && Sane(totals))
            others_[door].totals = Larger(others_[door].totals, totals);
    }
    SeeClock(clock);
    if (reset.epoch > reset_.epoch)
        Take(reset);
}

void DoorMerge::Take(const DoorReset &reset)
{
    reset_ = reset;
    clock_ = std::max(clock_, reset.epoch.Stamp());
    // The baseline holds what its door knew of the others: each door has
    // counted at least that much.
    for (const auto &[door, totals] : reset.baseline) {
        if (door != door_ && Sane(totals)) {
            Other &other = others_[door];
            other.totals = Larger(other.totals, totals);
        }
    }
    std::erase_if(waiting_, [this](const DoorReset &waiting) { return waiting.epoch <= reset_.epoch; });
}

void DoorMerge::SeeClock(std::int64_t clock)
{
    clock_ = std::max(clock_, std::clamp<std::int64_t>(clock, 0, DoorEpoch::kMostStamp));
    // The newest of those now at most one step ahead.
    const auto beyond = std::find_if(waiting_.begin(), waiting_.end(),
                                     [this](const DoorReset &waiting) { return waiting.epoch.Stamp() > clock_ + 1; });
    if (beyond != waiting_.begin())
        Take(DoorReset(*std::prev(beyond)));
}
