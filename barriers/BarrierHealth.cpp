#include "barriers/BarrierHealth.h"

#include <algorithm>

namespace {

constexpr std::chrono::seconds kFlickerWindow{1};

} // namespace

void BarrierHealth::SetLimits(std::chrono::seconds blocked, int flickerPerSecond)
{
    blockedLimit_ = blocked;
    flickerLimit_ = flickerPerSecond;
}

void BarrierHealth::Age(Time now)
{
    // A wall clock set back would leave changes "within the last second"
    // for as long as it went back, and keep a blocked beam from its time.
    if (!changes_.empty() && changes_.back() > now)
        changes_.clear();
    levelSince_ = std::min(levelSince_, now);
    while (!changes_.empty() && changes_.front() <= now - kFlickerWindow)
        changes_.pop_front();
}

std::optional<BarrierHealth::State> BarrierHealth::Line(bool atCountLevel, Time at)
{
    Age(at);
    if (atCountLevel_ == atCountLevel)
        return Check(at);
    if (atCountLevel_) {
        changes_.push_back(at);
        levelSince_ = at;
    } else if (!(atCountLevel && state_ == State::Blocked)) {
        // The first reading after a gap; a beam still interrupted stays
        // blocked since it was.
        levelSince_ = at;
    }
    atCountLevel_ = atCountLevel;
    return Check(at);
}

void BarrierHealth::Unread()
{
    atCountLevel_.reset();
    changes_.clear();
}

std::optional<BarrierHealth::State> BarrierHealth::Check(Time now)
{
    Age(now);
    if (!atCountLevel_)
        return std::nullopt;
    const auto changes = static_cast<int>(changes_.size());
    // Once flickering, it ends only when the line has calmed down to half
    // the limit, so that a line near the limit does not report every second.
    const bool flickering =
        flickerLimit_ > 0 && changes > (state_ == State::Flickering ? flickerLimit_ / 2 : flickerLimit_);
    const bool blocked = blockedLimit_.count() > 0 && *atCountLevel_ && now - levelSince_ >= blockedLimit_;
    const State next = flickering ? State::Flickering : blocked ? State::Blocked : State::Clear;
    if (next == state_)
        return std::nullopt;
    state_ = next;
    since_ = next == State::Blocked ? levelSince_ : now;
    return next;
}

std::optional<BarrierHealth::Time> BarrierHealth::NextCheck() const
{
    if (!atCountLevel_)
        return std::nullopt;
    std::optional<Time> next;
    auto sooner = [&next](Time at) {
        if (!next || at < *next)
            next = at;
    };
    // Flickering ends as the changes leave the window; before, only a new
    // change can start it.
    if (state_ == State::Flickering && !changes_.empty())
        sooner(changes_.front() + kFlickerWindow);
    if (blockedLimit_.count() > 0 && *atCountLevel_ && state_ == State::Clear)
        sooner(levelSince_ + blockedLimit_);
    return next;
}
