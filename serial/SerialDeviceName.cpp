#include "serial/SerialDeviceName.h"

std::string SerialTtyName(int port)
{
    if (port >= 1 && port <= 16)
        return "ttyS" + std::to_string(port - 1);
    if (port >= 17 && port <= 40)
        return "ttyUSB" + std::to_string(port - 17);
    if (port >= 41 && port <= 64)
        return "ttyACM" + std::to_string(port - 41);
    return {};
}

std::string SerialDeviceName(int port)
{
    const std::string tty = SerialTtyName(port);
    return tty.empty() ? std::string() : "/dev/" + tty;
}
