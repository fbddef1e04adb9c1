#pragma once

#include "serial/ComErrors.h"

#include <QObject>

#include <cstdint>
#include <functional>

// The serial port whose modem-control lines carry the light barriers.
class TComPort : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *sender)>;

    explicit TComPort(QObject *owner = nullptr);
    ~TComPort() override;

    // The n of "COMn"; 0 is used by the program for "no port".
    std::uint8_t Port = 1;

    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

    void Open();
    void Close();
    bool Connected() const { return connected_; }
    std::uint32_t ModemStatus();

private:
    bool connected_ = false;
};
