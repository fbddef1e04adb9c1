#include "serial/SerialDeviceName.h"

QString SerialTtyName(int port)
{
    if (port >= 1 && port <= 16)
        return QStringLiteral("ttyS%1").arg(port - 1);
    if (port >= 17 && port <= 40)
        return QStringLiteral("ttyUSB%1").arg(port - 17);
    if (port >= 41 && port <= 64)
        return QStringLiteral("ttyACM%1").arg(port - 41);
    return {};
}

QString SerialDeviceName(int port)
{
    const QString tty = SerialTtyName(port);
    return tty.isEmpty() ? QString() : QStringLiteral("/dev/") + tty;
}
