#pragma once

#include <linux/serial.h>

#include <sys/ioctl.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

// A pty has no modem lines. This plays a modem driver for one device number
// in front of the C library's ioctl. Its TIOCMIWAIT sleeps in read() on a
// pipe, which, like the real ioctl, a signal ends only without SA_RESTART.
struct FakeModem {
    dev_t device = 0;
    bool canWait = true;
    bool counts = true;
    // A driver that does not take RTS from the program.
    bool keepsRts = false;
    int waitError = 0;
    std::atomic<bool> broken{false}; // frees a waiter that a bug left asleep
    std::atomic<int> sleepers{0};
    std::atomic<int> levelReads{0};
    std::mutex mutex;
    int levels = 0;
    serial_icounter_struct icount{};
    int wake[2] = {-1, -1};

    // Changes the lines `times` times at once, so a waiter sees all or none.
    void Toggle(int lines, int times = 1)
    {
        {
            std::lock_guard lock(mutex);
            levels ^= times % 2 ? lines : 0;
            icount.cts += (lines & TIOCM_CTS) ? times : 0;
            icount.dsr += (lines & TIOCM_DSR) ? times : 0;
            icount.rng += (lines & TIOCM_RNG) ? times : 0;
        }
        (void)!write(wake[1], "x", 1);
    }

    int Fail(int error)
    {
        errno = error;
        return -1;
    }

    int Wait(int lines)
    {
        if (waitError || !canWait)
            return Fail(waitError ? waitError : ENOTTY);
        std::unique_lock lock(mutex);
        const serial_icounter_struct start = icount;
        ++sleepers;
        for (char c; !broken && !((lines & TIOCM_CTS) && icount.cts != start.cts)
             && !((lines & TIOCM_DSR) && icount.dsr != start.dsr);) {
            lock.unlock();
            const int error = read(wake[0], &c, 1) == 1 ? 0 : errno;
            lock.lock();
            if (error) {
                --sleepers;
                return Fail(error);
            }
        }
        --sleepers;
        return broken ? Fail(EIO) : 0;
    }

    int Ioctl(unsigned long request, void *arg)
    {
        if (request == TIOCMIWAIT)
            return Wait(static_cast<int>(reinterpret_cast<long>(arg)));
        std::lock_guard lock(mutex);
        if (broken)
            return Fail(EIO);
        if (request == TIOCMGET) {
            *static_cast<int *>(arg) = levels;
            ++levelReads;
        }
        else if (request == TIOCMBIS || request == TIOCMBIC) {
            const int lines = *static_cast<int *>(arg) & (keepsRts ? ~TIOCM_RTS : ~0);
            levels = request == TIOCMBIS ? levels | lines : levels & ~lines;
        }
        else if (request == TIOCGICOUNT && counts)
            *static_cast<serial_icounter_struct *>(arg) = icount;
        else
            return Fail(EINVAL);
        return 0;
    }
};

// The device the program's ioctl calls reach the fake for; none: the kernel.
extern std::atomic<FakeModem *> fakeModem;
