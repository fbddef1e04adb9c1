#pragma once

#include "hall/BarrierHealth.h"
#include "hall/HallSource.h"

#include <optional>

class Hall;

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
    void PortLost(Time at);
    // The port is open again after it was lost.
    void PortBack(Time at);
    void Check(Time now);
    std::optional<Time> NextCheck() const;

private:
    void Report(HallSource barrier, std::optional<BarrierHealth::State> state, Time at);

    Hall &hall_;
    BarrierHealth entry_;
    BarrierHealth exit_;
    bool portLost_ = false;
};
