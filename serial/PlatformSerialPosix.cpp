#include "serial/PlatformSerial.h"

#include "serial/PortProbe.h"
#include "serial/PosixSerialDevice.h"

std::unique_ptr<SerialDevice> NewPlatformSerialDevice()
{
    return std::make_unique<PosixSerialDevice>();
}

bool PlatformPortPresent(int port)
{
    static const PortProbe probe;
    return probe.IsPresent(port);
}
