#include "hall/Hall.h"

#include <algorithm>
#include <limits>

Hall::Hall(std::int32_t capacity)
    : capacity_(capacity)
{
}

bool Hall::Apply(const HallEvent &event)
{
    if (notifying_ > 0) {
        deferred_.push_back(event);
        return true;
    }
    const bool changed = ApplyNow(event);
    ApplyDeferred();
    return changed;
}

void Hall::ApplyDeferred()
{
    while (!deferred_.empty()) {
        const HallEvent next = deferred_.front();
        deferred_.pop_front();
        ApplyNow(next);
    }
}

bool Hall::ApplyNow(const HallEvent &event)
{
    HallChange change;
    change.source = event.source;
    change.time = event.time;
    if (IsReport(event.source)) {
        change.since = event.since;
        change.count = count_;
        change.capacity = capacity_;
        Notify([&change](HallListener *listener) { listener->HallReported(change); });
        return true;
    }
    switch (event.source) {
    case HallSource::EntryBarrier:
    case HallSource::In:
        if (gate_)
            return Gated(event, change, 1);
        if (count_ == std::numeric_limits<std::int32_t>::max())
            return false;
        ++count_;
        change.delta = 1;
        break;
    case HallSource::ExitBarrier:
    case HallSource::Out:
        if (gate_)
            return Gated(event, change, -1);
        if (count_ == 0)
            return false;
        --count_;
        change.delta = -1;
        break;
    case HallSource::Reset:
    case HallSource::DailyReset:
        change.reset = true;
        if (gate_)
            return Gated(event, change, 0);
        count_ = 0;
        break;
    case HallSource::OtherDoorReset:
        count_ = 0;
        change.reset = true;
        break;
    case HallSource::Start:
        count_ = std::max<std::int32_t>(event.count, 0);
        change.resumed = event.resumed;
        break;
    case HallSource::OtherDoors:
        if (event.count == count_)
            return false;
        count_ = std::max<std::int32_t>(event.count, 0);
        break;
    default:
        return false;
    }
    Tell(change);
    return true;
}

bool Hall::Gated(const HallEvent &event, HallChange &change, int delta)
{
    const std::optional<std::int32_t> count = gate_->Counted(event);
    if (!count)
        return false;
    count_ = std::max<std::int32_t>(*count, 0);
    change.delta = delta;
    Tell(change);
    return true;
}

void Hall::Tell(HallChange &change)
{
    change.count = count_;
    change.capacity = capacity_;
    Notify([&change](HallListener *listener) { listener->HallChanged(change); });
}

void Hall::SetCapacity(std::int32_t capacity)
{
    capacity_ = capacity;
    Notify([capacity](HallListener *listener) { listener->CapacityChanged(capacity); });
    // What a listener applied as it heard of it.
    if (notifying_ == 0)
        ApplyDeferred();
}

void Hall::AddListener(HallListener *listener)
{
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void Hall::RemoveListener(HallListener *listener)
{
    const auto found = std::find(listeners_.begin(), listeners_.end(), listener);
    if (found == listeners_.end())
        return;
    if (notifying_ > 0)
        *found = nullptr;
    else
        listeners_.erase(found);
}

template <typename Call>
void Hall::Notify(Call call)
{
    // Also when a listener throws, the blanks go once the outermost ends.
    struct Depth {
        Hall &hall;
        explicit Depth(Hall &owner) : hall(owner) { ++hall.notifying_; }
        ~Depth()
        {
            if (--hall.notifying_ == 0)
                std::erase(hall.listeners_, nullptr);
        }
    } depth(*this);
    // Listeners added meanwhile sit beyond this end; removed ones are blank.
    const std::size_t end = listeners_.size();
    for (std::size_t i = 0; i < end; ++i) {
        if (HallListener *listener = listeners_[i])
            call(listener);
    }
}
