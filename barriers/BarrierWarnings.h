#pragma once

#include "barriers/BarrierHealth.h"
#include "hall/HallSource.h"

#include <optional>
#include <vector>

class Hall;

// A warning that holds now: what it is about (EntryBlocked … PortLost), since
// when, and for a lost port its number (the n of "COMn").
struct BarrierWarning {
    HallSource source = HallSource::PortLost;
    BarrierHealth::Time since;
    int port = 0;
};

// The health of both barriers and of their port, told to the hall as
// reports (journal rows, marks on the main window) whenever it changes.
class BarrierWarnings {
public:
    using Time = BarrierHealth::Time;

    explicit BarrierWarnings(Hall &hall) : hall_(hall) {}

    void SetLimits(std::chrono::seconds blocked, int flickerPerSecond);
    // barrier is HallSource::EntryBarrier or ExitBarrier.
    void Line(HallSource barrier, bool atCountLevel, Time at);
    // The port closed: the barriers are no longer read.
    void Unread();
    // port is the n of "COMn", for the warning's text.
    void PortLost(Time at, int port = 0);
    // The port is open again after it was lost.
    void PortBack(Time at);
    void Check(Time now);
    std::optional<Time> NextCheck() const;

    // The warnings that hold now, the port's first; the hall's listeners
    // find them updated when they hear the report.
    std::vector<BarrierWarning> Current() const;
    // The warning on a barrier's indicator: without a port the barrier is
    // not read, so the port's warning is its own.
    std::optional<BarrierWarning> Marked(HallSource barrier) const;
    bool Blocked(HallSource barrier) const;

private:
    void Report(HallSource barrier, std::optional<BarrierHealth::State> state, Time at);

    Hall &hall_;
    BarrierHealth entry_;
    BarrierHealth exit_;
    // The warnings that hold; the port's is there while it is lost.
    std::optional<BarrierWarning> entryWarning_;
    std::optional<BarrierWarning> exitWarning_;
    std::optional<BarrierWarning> portWarning_;
};
