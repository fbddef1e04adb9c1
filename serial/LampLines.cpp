#include "serial/LampLines.h"

#include "serial/TComPort.h"

#include <QTimer>

#include <exception>
#include <utility>

LampLines::LampLines(SerialDeviceFactory factory, QObject *parent)
    : QObject(parent), com_(new TComPort(this, std::move(factory))), retry_(new QTimer(this))
{
    // Both lines off from the open on, until the lamp's state sets them.
    com_->EnableDTR = false;
    com_->FlowControl = fcNone;
    // The wait thread only watches for the adapter going. A port must wait
    // for some line (Windows refuses an empty mask); the ring line is the
    // one a relay board leaves alone, and no handler acts on it.
    com_->Events = {evRing};
    com_->OnLost = [this](QObject *) { Trouble(); };
    retry_->setInterval(kRetry);
    connect(retry_, &QTimer::timeout, this, &LampLines::TryOpen);
}

LampLines::~LampLines()
{
    Close();
}

void LampLines::Open(int port)
{
    Close();
    port_ = port;
    told_ = false;
    if (port != 0)
        TryOpen();
}

void LampLines::Close()
{
    retry_->stop();
    if (!com_->Connected())
        return;
    com_->SetControlLines(false, false);
    com_->Close();
}

void LampLines::SetRtsFull(bool full)
{
    if (std::exchange(rtsFull_, full) != full && com_->Connected())
        Write();
}

void LampLines::Show(LampState state)
{
    state_ = state;
    if (com_->Connected())
        Write();
}

bool LampLines::Connected() const
{
    return com_->Connected();
}

bool LampLines::Retrying() const
{
    return retry_->isActive();
}

void LampLines::TryOpen()
{
    com_->Port = static_cast<std::uint8_t>(port_);
    try {
        com_->Open();
    } catch (const std::exception &) {
        Trouble();
        return;
    }
    if (Write())
        retry_->stop();
}

bool LampLines::Write()
{
    const bool go = state_ != LampState::Red;
    const bool rts = rtsFull_ ? state_ == LampState::Red : state_ == LampState::Amber;
    if (com_->SetControlLines(go, rts))
        return true;
    com_->Close();
    Trouble();
    return false;
}

void LampLines::Trouble()
{
    if (!retry_->isActive())
        retry_->start();
    if (!std::exchange(told_, true) && OnTrouble)
        OnTrouble(port_);
}
