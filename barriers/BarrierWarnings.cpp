#include "barriers/BarrierWarnings.h"

#include "hall/Hall.h"

#include <algorithm>

void BarrierWarnings::SetLimits(std::chrono::seconds blocked, int flickerPerSecond)
{
    entry_.SetLimits(blocked, flickerPerSecond);
    exit_.SetLimits(blocked, flickerPerSecond);
}

void BarrierWarnings::Line(HallSource barrier, bool atCountLevel, Time at)
{
    BarrierHealth &health = barrier == HallSource::EntryBarrier ? entry_ : exit_;
    Report(barrier, health.Line(atCountLevel, at), at);
}

void BarrierWarnings::Unread()
{
    entry_.Unread();
    exit_.Unread();
}

void BarrierWarnings::PortLost(Time at, int port)
{
    Unread();
    if (portWarning_)
        return;
    portWarning_ = BarrierWarning{HallSource::PortLost, at, port};
    hall_.Apply({.source = HallSource::PortLost, .time = at, .since = at});
}

void BarrierWarnings::PortBack(Time at)
{
    if (!portWarning_)
        return;
    portWarning_.reset();
    hall_.Apply({.source = HallSource::PortBack, .time = at, .since = at});
}

void BarrierWarnings::Check(Time now)
{
    Report(HallSource::EntryBarrier, entry_.Check(now), now);
    Report(HallSource::ExitBarrier, exit_.Check(now), now);
}

std::optional<BarrierWarnings::Time> BarrierWarnings::NextCheck() const
{
    const auto entry = entry_.NextCheck();
    const auto exit = exit_.NextCheck();
    if (entry && exit)
        return std::min(*entry, *exit);
    return entry ? entry : exit;
}

void BarrierWarnings::Report(HallSource barrier, std::optional<BarrierHealth::State> state, Time at)
{
    if (!state)
        return;
    const bool entry = barrier == HallSource::EntryBarrier;
    const BarrierHealth &health = entry ? entry_ : exit_;
    HallSource source = entry ? HallSource::EntryClear : HallSource::ExitClear;
    if (*state == BarrierHealth::State::Blocked)
        source = entry ? HallSource::EntryBlocked : HallSource::ExitBlocked;
    else if (*state == BarrierHealth::State::Flickering)
        source = entry ? HallSource::EntryFlickering : HallSource::ExitFlickering;
    std::optional<BarrierWarning> &warning = entry ? entryWarning_ : exitWarning_;
    warning = *state == BarrierHealth::State::Clear ? std::nullopt
                                                    : std::optional(BarrierWarning{source, health.Since()});
    hall_.Apply({.source = source, .time = at, .since = health.Since()});
}

std::vector<BarrierWarning> BarrierWarnings::Current() const
{
    std::vector<BarrierWarning> current;
    for (const auto *warning : {&portWarning_, &entryWarning_, &exitWarning_}) {
        if (*warning)
            current.push_back(**warning);
    }
    return current;
}

std::optional<BarrierWarning> BarrierWarnings::Marked(HallSource barrier) const
{
    if (portWarning_)
        return portWarning_;
    return barrier == HallSource::EntryBarrier ? entryWarning_ : exitWarning_;
}

bool BarrierWarnings::Blocked(HallSource barrier) const
{
    const std::optional<BarrierWarning> &warning =
        barrier == HallSource::EntryBarrier ? entryWarning_ : exitWarning_;
    return warning && (warning->source == HallSource::EntryBlocked || warning->source == HallSource::ExitBlocked);
}
