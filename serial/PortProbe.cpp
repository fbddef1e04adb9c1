#include "serial/PortProbe.h"

#include "serial/SerialDeviceName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

PortProbe::PortProbe(QString root) : root_(std::move(root)) {}

bool PortProbe::HasDriver(const QString &tty) const
{
    const QString sysDir = root_ + QStringLiteral("/sys/class/tty/") + tty;
    // A ttyS node exists for every possible UART; only a non-zero UART type
    // means there is hardware behind it. Other ttys exist only with a device.
    if (tty.startsWith(QStringLiteral("ttyS"))) {
        QFile type(sysDir + QStringLiteral("/type"));
        if (!type.open(QIODevice::ReadOnly))
            return false;
        bool ok = false;
        const int uartType = type.readAll().trimmed().toInt(&ok);
        return ok && uartType != 0;
    }
    return QFileInfo::exists(sysDir + QStringLiteral("/device"));
}

bool PortProbe::IsPresent(int port) const
{
    const QString tty = SerialTtyName(port);
    if (tty.isEmpty() || !HasDriver(tty))
        return false;
    const QByteArray node = QFile::encodeName(root_ + QStringLiteral("/dev/") + tty);
    const int fd = ::open(node.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false; // missing, no driver, no permission or held exclusively
    struct stat st {};
    bool present = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
    // A port that another program holds is not offered.
    if (present && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        present = false;
    ::close(fd); // also drops the lock
    return present;
}

std::uint64_t ScanPortSet(const std::function<bool(int)> &isPresent)
{
    std::uint64_t ports = 0;
    for (int n = 1; n <= 64; ++n) {
        if (isPresent(n))
            ports |= std::uint64_t{1} << (n - 1);
    }
    return ports;
}
