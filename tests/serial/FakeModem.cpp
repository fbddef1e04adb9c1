#include "serial/FakeModem.h"

#include <sys/stat.h>
#include <sys/syscall.h>

#include <cstdarg>

std::atomic<FakeModem *> fakeModem{nullptr};

// In front of the C library's: the fake's requests on its device go to it.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    FakeModem *fake = fakeModem;
    struct stat st {};
    if (fake
        && (request == TIOCMIWAIT || request == TIOCMGET || request == TIOCGICOUNT || request == TIOCMBIS
            || request == TIOCMBIC)
        && fstat(fd, &st) == 0
        && st.st_rdev == fake->device)
        return fake->Ioctl(request, arg);
    return static_cast<int>(syscall(SYS_ioctl, fd, request, arg));
}
