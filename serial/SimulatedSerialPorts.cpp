#include "serial/SimulatedSerialPorts.h"

#include <cerrno>

// One open simulated port.
class SimulatedSerialDevice final : public SerialDevice {
public:
    explicit SimulatedSerialDevice(SimulatedSerialPorts &ports) : ports_(ports) {}
    ~SimulatedSerialDevice() override { Close(); }

    bool Open(int port) override
    {
        std::lock_guard lock(ports_.mutex_);
        SimulatedSerialPorts::Line *line = ports_.Find(port);
        if (!line || !line->present)
            return Fail(ENOENT);
        if (line->open)
            return Fail(EBUSY);
        line->open = true;
        line->unplugged = false;
        line->pending = 0;
        line->interrupted = false;
        line_ = line;
        return true;
    }

    bool ApplySettings(const DeviceControl &control) override
    {
        std::lock_guard lock(ports_.mutex_);
        if (!line_)
            return Fail(EBADF);
        linesRefused_ = false;
        if (line_->refuseSettings)
            return Fail(EINVAL);
        if (line_->rtsHeldOff && control.RtsCtsHandshake()) {
            linesRefused_ = true;
            return Fail(EIO);
        }
        line_->settings = control;
        line_->dtr = control.DtrOn();
        line_->rts = control.RtsCtsHandshake();
        return true;
    }

    bool SetControlLines(bool dtr, bool rts) override
    {
        std::lock_guard lock(ports_.mutex_);
        if (!line_)
            return Fail(EBADF);
        if (line_->unplugged)
            return Fail(EIO);
        line_->dtr = dtr;
        line_->rts = rts;
        return true;
    }

    bool SetEventMask(std::uint32_t mask) override
    {
        std::lock_guard lock(ports_.mutex_);
        if (!line_)
            return Fail(EBADF);
        line_->eventMask = mask;
        line_->pending &= mask;
        return true;
    }

    WaitResult WaitEvent(std::uint32_t &events) override
    {
        std::unique_lock lock(ports_.mutex_);
        if (!line_) {
            lastError_ = EBADF;
            return WaitResult::Failed;
        }
        ports_.changed_.wait(lock, [&] { return line_->pending || line_->interrupted || line_->unplugged; });
        if (line_->unplugged) {
            lastError_ = EIO;
            return WaitResult::Failed;
        }
        if (line_->interrupted) {
            line_->interrupted = false;
            return WaitResult::Interrupted;
        }
        events = line_->pending;
        line_->pending = 0;
        return WaitResult::Completed;
    }

    void Interrupt() override
    {
        {
            std::lock_guard lock(ports_.mutex_);
            if (line_)
                line_->interrupted = true;
        }
        ports_.changed_.notify_all();
    }

    std::uint32_t ModemStatus() override
    {
        std::lock_guard lock(ports_.mutex_);
        return line_ && !line_->unplugged ? line_->status : 0;
    }

    ModemLines ReadModemLines() override
    {
        std::lock_guard lock(ports_.mutex_);
        if (!line_ || line_->unplugged)
            return {};
        return {line_->status, line_->changes};
    }

    int BytesWaiting() override { return 0; }
    void Purge() override
    {
        std::lock_guard lock(ports_.mutex_);
        if (line_)
            ++line_->purges;
    }

    void Close() override
    {
        std::lock_guard lock(ports_.mutex_);
        if (line_) {
            // The driver drops both lines as the port closes.
            line_->dtr = line_->rts = false;
            line_->open = false;
            line_ = nullptr;
        }
    }

    bool IsOpen() const override
    {
        std::lock_guard lock(ports_.mutex_);
        return line_ != nullptr;
    }

    int LastError() const override { return lastError_; }
    bool LinesRefused() const override { return linesRefused_; }

private:
    bool Fail(int code)
    {
        lastError_ = code;
        return false;
    }

    SimulatedSerialPorts &ports_;
    SimulatedSerialPorts::Line *line_ = nullptr;
    int lastError_ = 0;
    bool linesRefused_ = false;
};

namespace {

// The event each modem-status bit raises when it changes.
std::uint32_t eventsOfChange(std::uint32_t changed)
{
    std::uint32_t events = 0;
    if (changed & SerialDevice::MsCtsOn)
        events |= SerialDevice::EvCts;
    if (changed & SerialDevice::MsDsrOn)
        events |= SerialDevice::EvDsr;
    if (changed & SerialDevice::MsRingOn)
        events |= SerialDevice::EvRing;
    if (changed & SerialDevice::MsRlsdOn)
        events |= SerialDevice::EvRlsd;
    return events;
}

void countChanges(SimulatedSerialPorts::Line &line, std::uint32_t changed, std::uint32_t times)
{
    ModemLines lines{line.status, line.changes};
    for (std::uint32_t bit :
         {SerialDevice::MsCtsOn, SerialDevice::MsDsrOn, SerialDevice::MsRingOn, SerialDevice::MsRlsdOn}) {
        if (changed & bit)
            lines.Changes(bit) += times;
    }
    line.changes = lines.changes;
}

} // namespace

SimulatedSerialPorts::SimulatedSerialPorts(std::set<int> ports)
{
    for (int port : ports)
        lines_[port] = Line{};
}

SimulatedSerialPorts::Line *SimulatedSerialPorts::Find(int port)
{
    const auto it = lines_.find(port);
    return it == lines_.end() ? nullptr : &it->second;
}

const SimulatedSerialPorts::Line *SimulatedSerialPorts::Find(int port) const
{
    const auto it = lines_.find(port);
    return it == lines_.end() ? nullptr : &it->second;
}

bool SimulatedSerialPorts::IsPresent(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line && line->present && !line->open;
}

SerialDeviceFactory SimulatedSerialPorts::Factory()
{
    return [this] { return std::make_unique<SimulatedSerialDevice>(*this); };
}

void SimulatedSerialPorts::SetLines(int port, std::uint32_t status)
{
    {
        std::lock_guard lock(mutex_);
        Line *line = Find(port);
        if (!line)
            return;
        const std::uint32_t changed = line->status ^ status;
        line->status = status;
        countChanges(*line, changed, 1);
        if (line->open)
            line->pending |= eventsOfChange(changed) & line->eventMask;
    }
    changed_.notify_all();
}

void SimulatedSerialPorts::SetLine(int port, std::uint32_t bit, bool on)
{
    std::uint32_t status = Lines(port);
    SetLines(port, on ? status | bit : status & ~bit);
}

void SimulatedSerialPorts::Flicker(int port, std::uint32_t bits)
{
    {
        std::lock_guard lock(mutex_);
        Line *line = Find(port);
        if (!line)
            return;
        countChanges(*line, bits, 2);
        if (line->open)
            line->pending |= eventsOfChange(bits) & line->eventMask;
    }
    changed_.notify_all();
}

std::uint32_t SimulatedSerialPorts::Lines(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line ? line->status : 0;
}

void SimulatedSerialPorts::Unplug(int port)
{
    {
        std::lock_guard lock(mutex_);
        if (Line *line = Find(port)) {
            line->present = false;
            line->unplugged = line->open;
            // Without power, the adapter's lines are off.
            line->dtr = line->rts = false;
        }
    }
    changed_.notify_all();
}

void SimulatedSerialPorts::Plug(int port)
{
    std::lock_guard lock(mutex_);
    if (Line *line = Find(port))
        line->present = true;
}

void SimulatedSerialPorts::RefuseSettings(int port, bool refuse)
{
    std::lock_guard lock(mutex_);
    if (Line *line = Find(port))
        line->refuseSettings = refuse;
}

void SimulatedSerialPorts::HoldRtsOff(int port, bool held)
{
    std::lock_guard lock(mutex_);
    if (Line *line = Find(port))
        line->rtsHeldOff = held;
}

DeviceControl SimulatedSerialPorts::LastSettings(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line ? line->settings : DeviceControl{};
}

bool SimulatedSerialPorts::IsOpen(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line && line->open;
}

bool SimulatedSerialPorts::Dtr(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line && line->dtr;
}

bool SimulatedSerialPorts::Rts(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line && line->rts;
}

int SimulatedSerialPorts::Purges(int port) const
{
    std::lock_guard lock(mutex_);
    const Line *line = Find(port);
    return line ? line->purges : 0;
}
