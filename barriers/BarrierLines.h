#pragma once

#include "barriers/BarrierWarnings.h"
#include "barriers/LineDebounce.h"
#include "hall/HallSource.h"

#include <chrono>
#include <cstdint>
#include <optional>

class Hall;

// One barrier's line read at one moment: its level, and how often it has
// changed since the port opened.
struct LineReading {
    bool on = false;
    std::uint32_t changes = 0;
};

// Both barriers' lines read at one moment.
struct BarrierReadings {
    LineReading entry;
    LineReading exit;
};

// What the barriers' rules ask of whoever shows them and keeps their time.
class BarrierListener {
public:
    virtual ~BarrierListener() = default;
    // The barrier's indicator follows its line: to on, or, when empty, to
    // the level the port reads now.
    virtual void ShowLine(HallSource barrier, std::optional<bool> on) = 0;
    // A new level of the barrier's line is taken; passage when it is the
    // level at which the barrier counts.
    virtual void LevelTaken(HallSource barrier, bool on, bool passage) = 0;
    // BarrierLines::Settle wants to run after wait; empty: nothing to wait for.
    virtual void WakeToSettle(std::optional<std::chrono::milliseconds> wait) = 0;
    // BarrierLines::Check wants to run after wait; empty: nothing to wait for.
    virtual void WakeToCheck(std::optional<std::chrono::milliseconds> wait) = 0;
};

// The two light barriers' rules: which line event is a new level (the one
// status word last acted on filters them, or the debounce), which level
// counts a passage, and whether a barrier or its port is in trouble (told to
// the hall as reports). It knows no port and no clock: readings and times
// come from the caller, who runs Settle and Check when asked to.
class BarrierLines {
public:
    using Steady = LineDebounce::Time;
    using Wall = BarrierWarnings::Time;
    // One moment on both clocks: the debounce measures on the steady one,
    // the health rules and the hall's reports on the wall clock.
    struct Moment {
        Steady steady;
        Wall wall;
    };
    // The counter state's part the rules read and write: the level at which
    // each barrier counts (true: when its line goes on) and the modem-status
    // word last acted on.
    struct Levels {
        const bool &entry;
        const bool &exit;
        std::uint32_t &lineState;
    };
    // A line event as the port hands it over.
    struct LineEvent {
        HallSource barrier = HallSource::EntryBarrier;
        // The modem-status word read as the event is handled, and the
        // barrier's line in it.
        std::uint32_t status = 0;
        bool on = false;
        // The line as the wait that reported the change left it, and when
        // that wait returned.
        LineReading wait;
        Steady waitReturned;
    };

    BarrierLines(Hall &hall, Levels levels, BarrierListener &listener);

    // The debounce (0: every change is acted on at once, filtered by the
    // status word alone) and the limits of the health rules (0: off); in
    // effect at once. Call ReadAfresh after it while the port is open.
    void SetRules(std::chrono::milliseconds debounce, std::chrono::seconds blocked, int flickerPerSecond);
    // The port opened: status is the baseline, nothing is counted; a lost
    // port is back.
    void Opened(std::uint32_t status, const BarrierReadings &lines, Moment now);
    // The lines' levels now are the start of the rules; nothing pending.
    void ReadAfresh(const BarrierReadings &lines, Moment now);
    void Line(const LineEvent &event, Moment now);
    // Takes the debounced levels that have held long enough; lines is a
    // reading taken now, so that a change not handed over yet counts from now.
    void Settle(const BarrierReadings &lines, Steady now);
    // The health rules at moment now.
    void Check(Wall now);
    // The port closed: the lines are no longer read.
    void Closed();
    // The port failed or cannot be used; port is the n of "COMn".
    void PortLost(Wall at, int port);

    // When the first pending level has held long enough; empty when none is pending.
    std::optional<Steady> SettleDeadline() const;
    const BarrierWarnings &Warnings() const { return warnings_; }

private:
    bool CountLevel(HallSource barrier) const;
    LineDebounce &Debounce(HallSource barrier);
    void Take(HallSource barrier, bool on);
    void ScheduleSettle(Steady now);

    Levels levels_;
    BarrierListener &listener_;
    BarrierWarnings warnings_;
    LineDebounce entryDebounce_;
    LineDebounce exitDebounce_;
    // Between Opened and Closed.
    bool reading_ = false;
    // Each line's level last acted on: both lines change in one status word
    // when two visitors pass at once, and each is a passage of its own.
    bool entryActed_ = false;
    bool exitActed_ = false;
};
