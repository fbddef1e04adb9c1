#include "serial/BarrierPort.h"

#include "serial/TComPort.h"

#include <QTimer>

namespace {

// The entry barrier's contact joins DTR and DSR, the exit barrier's RTS and CTS.
std::uint32_t LineBit(HallSource barrier)
{
    return barrier == HallSource::EntryBarrier ? SerialDevice::MsDsrOn : SerialDevice::MsCtsOn;
}

void Wake(QTimer *timer, std::optional<std::chrono::milliseconds> wait)
{
    if (wait)
        timer->start(*wait);
    else
        timer->stop();
}

} // namespace

BarrierPort::BarrierPort(TComPort &port, Hall &hall, BarrierLines::Levels levels, QObject *parent)
    : QObject(parent), port_(port), lines_(hall, levels, *this), settleTimer_(new QTimer(this)),
      healthTimer_(new QTimer(this))
{
    port_.Port = 2;
    port_.BaudRate = br9600;
    port_.BaudRateUser = 28800;
    port_.SetDataBits(8);
    port_.Parity = prNone;
    port_.StopBits = sbOneStopBit;
    // The driver keeps RTS on while it can receive: the exit barrier's feed.
    port_.FlowControl = fcRtsCts;
    port_.EnableDTR = true;
    port_.Events = {evCTS, evDSR};
    port_.ReadBufSize = 64;
    port_.WriteBufSize = 64;
    settleTimer_->setSingleShot(true);
    settleTimer_->setTimerType(Qt::PreciseTimer);
    connect(settleTimer_, &QTimer::timeout, this, [this] {
        // A change the wait thread has not handed over yet counts from now.
        const auto now = std::chrono::steady_clock::now();
        lines_.Settle(ReadLines(), now);
    });
    healthTimer_->setSingleShot(true);
    connect(healthTimer_, &QTimer::timeout, this, [this] { lines_.Check(Moment().wall); });
}

BarrierLines::Moment BarrierPort::Moment() const
{
    return {std::chrono::steady_clock::now(), Now ? Now() : std::chrono::system_clock::now()};
}

BarrierReadings BarrierPort::ReadLines()
{
    const ModemLines lines = port_.ReadModemLines();
    auto reading = [&lines](std::uint32_t line) { return LineReading{(lines.status & line) != 0, lines.Changes(line)}; };
    return {reading(SerialDevice::MsDsrOn), reading(SerialDevice::MsCtsOn)};
}

bool BarrierPort::LineOn(HallSource barrier)
{
    return port_.ModemStatus() & LineBit(barrier);
}

void BarrierPort::LineChanged(HallSource barrier)
{
    const std::uint32_t lineBit = LineBit(barrier);
    const std::uint32_t status = port_.ModemStatus();
    const ModemLines &wait = port_.EventLines();
    lines_.Line({.barrier = barrier,
                 .status = status,
                 .on = (status & lineBit) != 0,
                 .wait = {(wait.status & lineBit) != 0, wait.Changes(lineBit)},
                 .waitReturned = port_.EventTime()},
                Moment());
}

void BarrierPort::Opened()
{
    const std::uint32_t status = port_.ModemStatus();
    for (const HallSource barrier : {HallSource::EntryBarrier, HallSource::ExitBarrier})
        ShowLine(barrier, std::nullopt);
    lines_.Opened(status, ReadLines(), Moment());
}

void BarrierPort::Closed()
{
    for (const HallSource barrier : {HallSource::EntryBarrier, HallSource::ExitBarrier}) {
        if (OnShow)
            OnShow(barrier, std::nullopt);
    }
    lines_.Closed();
}

void BarrierPort::PortLost()
{
    lines_.PortLost(Moment().wall, port_.Port);
}

void BarrierPort::SetLineRules(std::chrono::milliseconds debounce, std::chrono::seconds blocked, int flickerPerSecond)
{
    lines_.SetRules(debounce, blocked, flickerPerSecond);
    if (port_.Connected())
        lines_.ReadAfresh(ReadLines(), Moment());
}

void BarrierPort::ShowLine(HallSource barrier, std::optional<bool> on)
{
    // Without a level the indicator shows the line as it is now.
    const bool level = on ? *on : LineOn(barrier);
    if (OnShow)
        OnShow(barrier, level);
}

void BarrierPort::LevelTaken(HallSource barrier, bool on, bool passage)
{
    if (OnLevel)
        OnLevel(barrier, on, passage);
}

void BarrierPort::WakeToSettle(std::optional<std::chrono::milliseconds> wait)
{
    Wake(settleTimer_, wait);
}

void BarrierPort::WakeToCheck(std::optional<std::chrono::milliseconds> wait)
{
    Wake(healthTimer_, wait);
}
