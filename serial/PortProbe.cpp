#include "serial/PortProbe.h"

#include "serial/SerialDeviceName.h"
#include "serial/SysfsAttribute.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

PortProbe::PortProbe(std::string root) : root_(std::move(root)) {}

bool PortProbe::HasDriver(const std::string &tty) const
{
    const std::string sysDir = root_ + "/sys/class/tty/" + tty;
    // A ttyS node exists for every possible UART; only a non-zero UART type
    // means there is hardware behind it. Other ttys exist only with a device.
    if (tty.rfind("ttyS", 0) == 0) {
        const std::optional<long> uartType = ReadSysfsNumber(sysDir + "/type");
        return uartType && *uartType != 0;
    }
    struct stat st {};
    return ::stat((sysDir + "/device").c_str(), &st) == 0;
}

bool PortProbe::IsPresent(int port) const
{
    const std::string tty = SerialTtyName(port);
    if (tty.empty() || !HasDriver(tty))
        return false;
    const std::string node = root_ + "/dev/" + tty;
    const int fd = ::open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
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

std::optional<PortRefusal> PortProbe::Refusal(int port) const
{
    const std::string tty = SerialTtyName(port);
    if (tty.empty() || !HasDriver(tty))
        return std::nullopt;
    const std::string node = root_ + "/dev/" + tty;
    const int fd = ::open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return std::nullopt;
    }
    if (errno != EACCES && errno != EPERM)
        return std::nullopt;
    PortRefusal refusal{.device = "/dev/" + tty, .group = "dialout", .user = {}};
    struct stat st {};
    // Only a group that may read and write the device is worth joining;
    // never root's. Otherwise Debian's own group for serial ports.
    if (::stat(node.c_str(), &st) == 0 && st.st_gid != 0 && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
        if (const group *owner = ::getgrgid(st.st_gid))
            refusal.group = owner->gr_name;
    }
    if (const passwd *user = ::getpwuid(::geteuid()))
        refusal.user = user->pw_name;
    return refusal;
}
