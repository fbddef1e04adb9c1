#include "hall/DoorLamp.h"

#include "hall/HallChange.h"
#include "hall/OccupancyState.h"

#include <algorithm>
#include <utility>

DoorLamp::DoorLamp(Rules rules, std::int32_t count, std::int32_t capacity, Changed changed)
    : rules_(rules), count_(count), capacity_(capacity), changed_(std::move(changed)), state_(Compute())
{
}

void DoorLamp::SetRules(Rules rules)
{
    rules_ = rules;
    Update();
}

void DoorLamp::SetPortClosed(bool closed)
{
    portClosed_ = closed;
    Update();
}

void DoorLamp::HallChanged(const HallChange &change)
{
    count_ = change.count;
    capacity_ = change.capacity;
    Update();
}

void DoorLamp::CapacityChanged(std::int32_t capacity)
{
    capacity_ = capacity;
    Update();
}

void DoorLamp::HallReported(const HallChange &report)
{
    switch (report.source) {
    case HallSource::EntryBlocked:
    case HallSource::EntryClear:
        entryBlocked_ = report.source == HallSource::EntryBlocked;
        break;
    case HallSource::ExitBlocked:
    case HallSource::ExitClear:
        exitBlocked_ = report.source == HallSource::ExitBlocked;
        break;
    case HallSource::PortLost:
    case HallSource::PortBack:
        portLost_ = report.source == HallSource::PortLost;
        break;
    default:
        return;
    }
    Update();
}

LampState DoorLamp::Compute()
{
    const std::int32_t hysteresis = std::max(rules_.hysteresis, 1);
    if (count_ >= capacity_)
        full_ = true;
    // An empty hall has room, however large the hysteresis.
    else if (count_ <= std::max(capacity_ - hysteresis, 0))
        full_ = false;
    const bool fault = rules_.redOnFault && (entryBlocked_ || exitBlocked_ || portLost_ || portClosed_);
    if (full_ || fault)
        return LampState::Red;
    if (OccupancyStateOf(count_, capacity_, rules_.warnPercent) == OccupancyState::NearlyFull)
        return LampState::Amber;
    return LampState::Green;
}

void DoorLamp::Update()
{
    const LampState state = Compute();
    if (state == state_)
        return;
    state_ = state;
    if (changed_)
        changed_(state);
}
