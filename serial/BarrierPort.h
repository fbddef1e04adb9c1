#pragma once

#include "barriers/BarrierLines.h"

#include <QObject>

#include <functional>

class QTimer;
class TComPort;

// The light barriers on a serial port's modem lines: sets the port up for
// them, hands each of its events with the lines read to the barriers' rules,
// and wakes the rules for their deadlines. The port's owner calls it from
// the port's handlers; what the rules decide goes to it through OnShow and
// OnLevel.
class BarrierPort : public QObject, private BarrierListener {
    Q_OBJECT
public:
    BarrierPort(TComPort &port, Hall &hall, BarrierLines::Levels levels, QObject *parent = nullptr);

    // The barrier's indicator shows its line on or off; empty: not read.
    std::function<void(HallSource barrier, std::optional<bool> on)> OnShow;
    // A new level of the barrier's line; passage when it counts one.
    std::function<void(HallSource barrier, bool on, bool passage)> OnLevel;
    // The wall clock; empty for the system's.
    std::function<BarrierLines::Wall()> Now;

    // From the port's handlers: a line event (OnDSR the entry's, OnCTS the
    // exit's), OnOpen, OnClose, and OnLost; the last also when the port
    // cannot be used (it refused its lines).
    void LineChanged(HallSource barrier);
    void Opened();
    void Closed();
    void PortLost();

    // The debounce and the health rules' limits (0: off), in effect at once.
    void SetLineRules(std::chrono::milliseconds debounce, std::chrono::seconds blocked, int flickerPerSecond);
    std::optional<BarrierLines::Steady> DebounceDeadline() const { return lines_.SettleDeadline(); }
    const BarrierWarnings &Warnings() const { return lines_.Warnings(); }

private:
    BarrierReadings ReadLines();
    BarrierLines::Moment Moment() const;
    bool LineOn(HallSource barrier);

    void ShowLine(HallSource barrier, std::optional<bool> on) override;
    void LevelTaken(HallSource barrier, bool on, bool passage) override;
    void WakeToSettle(std::optional<std::chrono::milliseconds> wait) override;
    void WakeToCheck(std::optional<std::chrono::milliseconds> wait) override;

    TComPort &port_;
    BarrierLines lines_;
    // Wake the GUI thread for the deadlines; the rules decide by the times.
    QTimer *settleTimer_;
    QTimer *healthTimer_;
};
