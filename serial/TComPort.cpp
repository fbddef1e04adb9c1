#include "serial/TComPort.h"

#include "serial/GuiHandOver.h"
#include "serial/PlatformSerial.h"
#include "serial/TComThread.h"

#include <array>
#include <cerrno>

namespace {

// Platform event flag of each TEvent, by ordinal.
constexpr std::array<std::uint32_t, 9> kEventFlags = {
    SerialDevice::EvRxChar, SerialDevice::EvTxEmpty, SerialDevice::EvRxFlag,
    SerialDevice::EvRing,   SerialDevice::EvBreak,   SerialDevice::EvCts,
    SerialDevice::EvDsr,    SerialDevice::EvErr,     SerialDevice::EvRlsd,
};

SerialDeviceFactory platformDevices()
{
    return [] { return NewPlatformSerialDevice(); };
}

} // namespace

TComPort::TComPort(QObject *owner, SerialDeviceFactory factory)
    : QObject(owner), factory_(factory ? std::move(factory) : platformDevices()), handOver_(new GuiHandOver(this))
{
}

TComPort::~TComPort()
{
    // Never destroyed from one of its own handlers, so every wait thread can end.
    Close();
    retired_.clear();
}

void TComPort::SetDataBits(std::uint8_t value)
{
    if (value == dataBits_)
        return;
    dataBits_ = value > 8 ? 8 : value < 5 ? 5 : value;
}

DeviceControl TComPort::MakeDeviceControl() const
{
    return ::MakeDeviceControl({BaudRate, BaudRateUser, Parity, StopBits, FlowControl, EnableDTR, dataBits_,
                                WriteBufSize, ReadBufSize});
}

std::uint32_t TComPort::EventFlags() const
{
    std::uint32_t mask = 0;
    for (int event = evRxChar; event <= evRLSD; ++event) {
        if (Events.Contains(static_cast<TEvent>(event)))
            mask |= kEventFlags[static_cast<std::size_t>(event)];
    }
    return mask;
}

void TComPort::Open()
{
    Close();
    // Reached from a handler that runs while the port closes: the device is
    // still taken until the close has finished.
    if (closing_)
        throw EComHandle("Unable to open com port: " + ErrorCodeText(EBUSY));
    ReapRetired();
    linesRefused_ = false;
    device_ = factory_();
    if (!device_->Open(Port)) {
        const int code = device_->LastError();
        device_.reset();
        throw EComHandle("Unable to open com port: " + ErrorCodeText(code));
    }
    ApplySettings();
    ++generation_;
    thread_ = std::make_unique<TComThread>(*this, *device_, *handOver_);
    connected_ = true;
    if (OnOpen)
        OnOpen(this);
}

void TComPort::ApplySettings()
{
    if (device_->ApplySettings(MakeDeviceControl()))
        return;
    const int code = device_->LastError();
    linesRefused_ = device_->LinesRefused();
    // Release the device at once, so that the next Open can have it again.
    device_->Close();
    device_.reset();
    throw EComState("Unable to set com state: " + ErrorCodeText(code));
}

void TComPort::Close()
{
    // A handler run by a pending hand-over during Close may close again.
    if (!connected_ || closing_)
        return;
    closing_ = true;
    if (thread_->HandingOver()) {
        // Called from a handler of this connection: its wait thread is blocked
        // until the handler returns, so waiting for it here would never end.
        // The device is released now, so that the port can be opened again at
        // once; the thread ends and is reaped when the handler has returned.
        thread_->RequestStop();
        device_->Close();
        retired_.push_back({std::move(device_), std::move(thread_)});
    } else {
        // Runs a hand-over that is already pending before the port goes away.
        thread_.reset();
        device_->Close();
        device_.reset();
    }
    connected_ = false;
    closing_ = false;
    if (OnClose)
        OnClose(this);
}

void TComPort::ReapRetired()
{
    std::erase_if(retired_, [](const Retired &retired) { return !retired.thread->HandingOver(); });
}

void TComPort::HandOverReturned()
{
    if (!retired_.empty())
        QMetaObject::invokeMethod(this, &TComPort::ReapRetired, Qt::QueuedConnection);
}

std::size_t TComPort::PendingHandOvers() const
{
    return handOver_->Pending();
}

std::uint32_t TComPort::ModemStatus()
{
    return device_ ? device_->ModemStatus() : 0;
}

int TComPort::InQue()
{
    return device_ ? device_->BytesWaiting() : 0;
}

bool TComPort::SetControlLines(bool dtr, bool rts)
{
    return device_ && device_->SetControlLines(dtr, rts);
}

ModemLines TComPort::ReadModemLines()
{
    return device_ ? device_->ReadModemLines() : ModemLines{};
}

void TComPort::DispatchEvents(std::uint32_t eventMask, std::chrono::steady_clock::time_point waitReturned,
                              const ModemLines &lines)
{
    eventTime_ = waitReturned;
    eventLines_ = lines;
    // A handler that closes (or reopens) the port ends this wait's dispatch:
    // the remaining handlers would read the lines of a port no longer open.
    const unsigned generation = generation_;
    auto live = [&] { return connected_ && generation_ == generation; };
    auto notify = [&](std::uint32_t flag, const TNotifyEvent &handler) {
        if ((eventMask & flag) && handler && live())
            handler(this);
    };
    if ((eventMask & SerialDevice::EvRxChar) && OnRxChar && live())
        OnRxChar(this, InQue());
    notify(SerialDevice::EvTxEmpty, OnTxEmpty);
    notify(SerialDevice::EvBreak, OnBreak);
    notify(SerialDevice::EvRing, OnRing);
    notify(SerialDevice::EvCts, OnCTS);
    notify(SerialDevice::EvDsr, OnDSR);
    notify(SerialDevice::EvRxFlag, OnRxFlag);
    notify(SerialDevice::EvRlsd, OnRLSD);
    notify(SerialDevice::EvErr, OnError);
}

void TComPort::LineLost(unsigned generation)
{
    if (!connected_ || generation != generation_)
        return;
    Close();
    if (OnLost)
        OnLost(this);
}
