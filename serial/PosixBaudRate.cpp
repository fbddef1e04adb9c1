#include "serial/PosixBaudRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetCustomBaudRate(int fd, std::uint32_t baud)
{
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    // BOTHER takes the rate from c_ospeed as it is; with CIBAUD clear the
    // input speed follows the output speed.
    settings.c_cflag &= ~(CBAUD | CIBAUD);
    settings.c_cflag |= BOTHER;
    settings.c_ospeed = baud;
    settings.c_ispeed = baud;
    return ioctl(fd, TCSETS2, &settings) == 0;
}

bool GetCustomBaudRate(int fd, std::uint32_t &baud)
{
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return false;
    baud = settings.c_ospeed;
    return true;
}
