#include "serial/PlatformSerial.h"

#include "serial/PortProbe.h"
#include "serial/PosixSerialDevice.h"

std::unique_ptr<SerialDevice> NewPlatformSerialDevice()
{
    return std::make_unique<PosixSerialDevice>();
}

namespace {
const PortProbe kProbe;
}

bool PlatformPortPresent(int port)
{
    return kProbe.IsPresent(port);
}

std::optional<PortRefusal> PlatformPortRefusal(int port)
{
    return kProbe.Refusal(port);
}
