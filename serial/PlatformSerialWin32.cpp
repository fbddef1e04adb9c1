#include "serial/PlatformSerial.h"

#include "serial/SerialDeviceName.h"
#include "serial/Win32PortProbe.h"
#include "serial/Win32SerialDevice.h"

std::unique_ptr<SerialDevice> NewPlatformSerialDevice()
{
    return std::make_unique<Win32SerialDevice>();
}

bool PlatformPortPresent(int port)
{
    return Win32PortPresent(SystemKernel32(), port);
}

std::optional<PortRefusal> PlatformPortRefusal(int)
{
    // Access denied means held by another program here, not a permission.
    return std::nullopt;
}

std::string SerialDeviceName(int)
{
    // The port number is the device's own name here: nothing to add.
    return {};
}
