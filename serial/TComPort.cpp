#include "serial/TComPort.h"

#include <cerrno>
#include <cstring>

TComPort::TComPort(QObject *owner) : QObject(owner) {}

TComPort::~TComPort()
{
    Close();
}

void TComPort::Open()
{
    Close();
    // No serial backend is wired in yet: every port reads as missing.
    throw EComHandle(std::string("Unable to open com port: ") + std::strerror(ENOENT));
}

void TComPort::Close()
{
    if (!connected_)
        return;
    connected_ = false;
    if (OnClose)
        OnClose(this);
}

std::uint32_t TComPort::ModemStatus()
{
    return 0;
}
