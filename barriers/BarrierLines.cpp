#include "barriers/BarrierLines.h"

#include <algorithm>

BarrierLines::BarrierLines(Hall &hall, Levels levels, BarrierListener &listener)
    : levels_(levels), listener_(listener), warnings_(hall)
{
}

bool BarrierLines::CountLevel(HallSource barrier) const
{
    return barrier == HallSource::EntryBarrier ? levels_.entry : levels_.exit;
}

LineDebounce &BarrierLines::Debounce(HallSource barrier)
{
    return barrier == HallSource::EntryBarrier ? entryDebounce_ : exitDebounce_;
}

void BarrierLines::SetRules(std::chrono::milliseconds debounce, std::chrono::seconds blocked, int flickerPerSecond)
{
    entryDebounce_.SetHold(debounce);
    exitDebounce_.SetHold(debounce);
    warnings_.SetLimits(blocked, flickerPerSecond);
}

void BarrierLines::Opened(std::uint32_t status, const BarrierReadings &lines, Moment now)
{
    levels_.lineState = status;
    entryActed_ = lines.entry.on;
    exitActed_ = lines.exit.on;
    reading_ = true;
    warnings_.PortBack(now.wall);
    ReadAfresh(lines, now);
}

void BarrierLines::ReadAfresh(const BarrierReadings &lines, Moment now)
{
    entryDebounce_.Reset(lines.entry.on, lines.entry.changes, now.steady);
    exitDebounce_.Reset(lines.exit.on, lines.exit.changes, now.steady);
    listener_.WakeToSettle(std::nullopt);
    warnings_.Line(HallSource::EntryBarrier, lines.entry.on == levels_.entry, now.wall);
    warnings_.Line(HallSource::ExitBarrier, lines.exit.on == levels_.exit, now.wall);
    Check(now.wall);
}

void BarrierLines::Line(const LineEvent &event, Moment now)
{
    // Every change the line makes, also a bounce, is the health rules' to see.
    warnings_.Line(event.barrier, event.on == CountLevel(event.barrier), now.wall);
    Check(now.wall);
    LineDebounce &debounce = Debounce(event.barrier);
    if (debounce.Hold().count() > 0) {
        listener_.ShowLine(event.barrier, event.on);
        // The level and counter as the wait read them, with its moment.
        debounce.Read(event.wait.on, event.wait.changes, event.waitReturned);
        levels_.lineState = event.status;
        ScheduleSettle(now.steady);
        return;
    }
    // One status word serves both barriers: a line whose level in it is the
    // one last acted on was handled already (or changed back unseen). The
    // other line's change in the same word is its own.
    const bool acted = event.barrier == HallSource::EntryBarrier ? entryActed_ : exitActed_;
    if (event.on == acted)
        return;
    listener_.ShowLine(event.barrier, std::nullopt);
    Take(event.barrier, event.on);
    levels_.lineState = event.status;
}

void BarrierLines::Take(HallSource barrier, bool on)
{
    (barrier == HallSource::EntryBarrier ? entryActed_ : exitActed_) = on;
    listener_.LevelTaken(barrier, on, on == CountLevel(barrier));
}

void BarrierLines::Settle(const BarrierReadings &lines, Steady now)
{
    for (const HallSource barrier : {HallSource::EntryBarrier, HallSource::ExitBarrier}) {
        const LineReading &line = barrier == HallSource::EntryBarrier ? lines.entry : lines.exit;
        LineDebounce &debounce = Debounce(barrier);
        debounce.Read(line.on, line.changes, now);
        if (const auto level = debounce.Settle(now))
            Take(barrier, *level);
    }
    ScheduleSettle(now);
}

void BarrierLines::ScheduleSettle(Steady now)
{
    const std::optional<Steady> next = SettleDeadline();
    if (!next || !reading_) {
        listener_.WakeToSettle(std::nullopt);
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now);
    listener_.WakeToSettle(std::max(wait, std::chrono::milliseconds(0)));
}

std::optional<BarrierLines::Steady> BarrierLines::SettleDeadline() const
{
    std::optional<Steady> next = entryDebounce_.Deadline();
    if (const auto exit = exitDebounce_.Deadline(); exit && (!next || *exit < *next))
        next = exit;
    return next;
}

void BarrierLines::Check(Wall now)
{
    warnings_.Check(now);
    const auto next = warnings_.NextCheck();
    if (!next) {
        listener_.WakeToCheck(std::nullopt);
        return;
    }
    // At least once a second, so that a wall clock set anew is followed soon.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now);
    listener_.WakeToCheck(std::clamp(wait, std::chrono::milliseconds(0), std::chrono::milliseconds(1000)));
}

void BarrierLines::Closed()
{
    reading_ = false;
    warnings_.Unread();
    listener_.WakeToSettle(std::nullopt);
    listener_.WakeToCheck(std::nullopt);
}

void BarrierLines::PortLost(Wall at, int port)
{
    warnings_.PortLost(at, port);
}
