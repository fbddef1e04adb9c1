#include "serial/PosixSerialDevice.h"

#include "serial/PosixBaudRate.h"
#include "serial/SerialDeviceName.h"
#include "serial/SysfsAttribute.h"

#include <linux/serial.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

namespace {

constexpr long kSampleIntervalNs = 10'000'000;

struct LineEvent {
    int line;            // TIOCM_*
    std::uint32_t event; // SerialDevice::Ev*
    std::uint32_t status; // SerialDevice::Ms*
};
constexpr LineEvent kLineEvents[] = {
    {TIOCM_CTS, SerialDevice::EvCts, SerialDevice::MsCtsOn},
    {TIOCM_DSR, SerialDevice::EvDsr, SerialDevice::MsDsrOn},
    {TIOCM_RNG, SerialDevice::EvRing, SerialDevice::MsRingOn},
    {TIOCM_CD, SerialDevice::EvRlsd, SerialDevice::MsRlsdOn},
};

std::uint32_t EventsOf(int lines)
{
    std::uint32_t events = 0;
    for (const LineEvent &e : kLineEvents) {
        if (lines & e.line)
            events |= e.event;
    }
    return events;
}

int LinesOf(std::uint32_t events)
{
    int lines = 0;
    for (const LineEvent &e : kLineEvents) {
        if (events & e.event)
            lines |= e.line;
    }
    return lines;
}

// Only there so that the signal interrupts a blocking call with EINTR.
void OnInterruptSignal(int) {}

int InstallInterruptSignal()
{
    // Take the first real-time signal from SIGRTMIN+5 on that nobody has a
    // handler for; glibc keeps the ones below SIGRTMIN, Qt uses none.
    int chosen = SIGRTMIN + 5;
    for (int sig = SIGRTMIN + 5; sig <= SIGRTMAX; ++sig) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_DFL) {
            chosen = sig;
            break;
        }
    }
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the kernel would otherwise resume TIOCMIWAIT after the
    // handler and the wait would never end.
    action.sa_flags = 0;
    sigaction(chosen, &action, nullptr);
    return chosen;
}

bool SameSettings(const termios &wanted, const termios &got)
{
    constexpr tcflag_t cflagMask = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | CLOCAL | CREAD;
    if (wanted.c_iflag != got.c_iflag || wanted.c_oflag != got.c_oflag || wanted.c_lflag != got.c_lflag)
        return false;
    if ((wanted.c_cflag & cflagMask) != (got.c_cflag & cflagMask))
        return false;
    for (int cc : {VSTART, VSTOP, VMIN, VTIME}) {
        if (wanted.c_cc[cc] != got.c_cc[cc])
            return false;
    }
    return true;
}

// A driver reports the rate its divisor gives, which can be off by a fraction
// of a percent from the one asked for; a UART copes with 2 %.
bool CloseEnough(std::uint32_t wanted, std::uint32_t got)
{
    const std::uint64_t difference = wanted > got ? wanted - got : got - wanted;
    return difference * 50 <= wanted;
}

} // namespace

PosixSerialDevice::PosixSerialDevice(PathResolver resolver, std::string sysRoot)
    : resolver_(std::move(resolver)), sysRoot_(std::move(sysRoot))
{
    if (!resolver_)
        resolver_ = SerialDeviceName;
    // Before any wait, so that Interrupt() never meets the default action
    // (which ends the process).
    InterruptSignal();
}

PosixSerialDevice::~PosixSerialDevice()
{
    Close();
}

int PosixSerialDevice::InterruptSignal()
{
    static std::once_flag once;
    static int sig = 0;
    std::call_once(once, [] { sig = InstallInterruptSignal(); });
    return sig;
}

bool PosixSerialDevice::Fail(int error)
{
    lastError_ = error;
    return false;
}

bool PosixSerialDevice::Open(int port)
{
    Close();
    const std::string path = resolver_(port);
    if (path.empty())
        return Fail(ENOENT);
    // O_NONBLOCK: do not wait for DCD, which the light barriers never raise.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(errno);
    const int error = Claim(fd);
    if (error != 0) {
        ::close(fd);
        return Fail(error);
    }
    fd_ = fd;
    mask_ = 0;
    seen_ = {};
    countsWork_ = true;
    sampling_ = false;
    for (auto &count : counted_)
        count = 0;
    controlLines_ = 0;
    // Received bytes signal the waiting thread, which each wait names.
    fcntl(fd, F_SETSIG, InterruptSignal());
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_ASYNC);
    return true;
}

int PosixSerialDevice::Claim(int fd)
{
    // A UART node without hardware behind it opens, and fails only later
    // with EIO at the first line setting: tell the truth at once.
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    if (ReadSysfsNumber(SysfsCharDevice(sysRoot_, st.st_rdev) + "/type") == 0L)
        return ENODEV;
    // The lock comes first: it keeps out every other program that locks
    // serial devices, root included, and a second Open here. Only its holder
    // may set the exclusive flag, which belongs to the port, not to this
    // handle: clearing it on a refused open would open the holder's port to
    // everybody.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? EBUSY : errno;
    // TIOCEXCL keeps out the opens of other users that do not lock.
    if (ioctl(fd, TIOCEXCL) != 0)
        return errno;
    return 0;
}

bool PosixSerialDevice::ApplySettings(const DeviceControl &control)
{
    linesRefused_ = false;
    controlLines_ = 0;
    if (fd_ < 0)
        return Fail(EBADF);
    // Rate 0 would mean "hang up" to the driver.
    if (control.BaudRate == 0)
        return Fail(EINVAL);
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0)
        return Fail(errno);
    cfmakeraw(&tio);
    // Without CLOCAL a drop of DCD would hang the line up. HUPCL drops DTR
    // and RTS as the port closes, also when the program crashes: what they
    // switch goes off with it.
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | HUPCL;

    switch (control.ByteSize) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: return Fail(EINVAL);
    }
    switch (control.Parity) {
    case 0: break;
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: return Fail(EINVAL);
    }
    // One and a half stop bits has no flag of its own; a 16550 sends 1.5 for
    // CSTOPB at 5 data bits (and 2 otherwise, where 1.5 is not defined).
    switch (control.StopBits) {
    case 0: break;
    case 1:
    case 2: tio.c_cflag |= CSTOPB; break;
    default: return Fail(EINVAL);
    }
    if (control.RtsCtsHandshake() || (control.Flags & DeviceControl::fOutxCtsFlow))
        tio.c_cflag |= CRTSCTS;
    if (control.Flags & DeviceControl::fOutX)
        tio.c_iflag |= IXON;
    if (control.Flags & DeviceControl::fInX)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(control.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(control.XoffChar);
    // A read returns at once with what is queued: the only read timeouts
    // this program sets. Write timeouts, queue sizes and the XON/XOFF limits
    // have no counterpart here and are left to the driver.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    if (tcsetattr(fd_, TCSANOW, &tio) != 0 || !SetCustomBaudRate(fd_, control.BaudRate))
        return Fail(errno);

    // tcsetattr succeeds when the driver took only part of the request (a
    // USB adapter without mark parity, say); only reading back tells.
    termios got{};
    std::uint32_t rate = 0;
    if (tcgetattr(fd_, &got) != 0 || !GetCustomBaudRate(fd_, rate))
        return Fail(errno);
    if (!SameSettings(tio, got) || !CloseEnough(control.BaudRate, rate))
        return Fail(EINVAL);

    // DTR as asked, and RTS on with the handshake, off without. The
    // handshake does not raise RTS on every driver: cdc-acm leaves it off
    // after a rate of 0 or a setting without handshake, and the exit
    // barrier's feed would stay dead. A pseudo-terminal has no modem lines
    // (ENOTTY); nothing to set or check there.
    int dtr = TIOCM_DTR;
    if (ioctl(fd_, control.DtrOn() ? TIOCMBIS : TIOCMBIC, &dtr) != 0 && errno != ENOTTY)
        return Fail(errno);
    int rts = TIOCM_RTS;
    if (ioctl(fd_, control.RtsCtsHandshake() ? TIOCMBIS : TIOCMBIC, &rts) != 0 && errno != ENOTTY)
        return Fail(errno);
    int levels = 0;
    if (ioctl(fd_, TIOCMGET, &levels) != 0) {
        if (errno == ENOTTY)
            return true;
        return Fail(errno);
    }
    const int wanted = (control.DtrOn() ? TIOCM_DTR : 0) | (control.RtsCtsHandshake() ? TIOCM_RTS : 0);
    if ((levels & (TIOCM_DTR | TIOCM_RTS)) != wanted) {
        linesRefused_ = true;
        return Fail(EIO);
    }
    controlLines_ = wanted;
    return true;
}

bool PosixSerialDevice::SetEventMask(std::uint32_t mask)
{
    mask_ = mask;
    // Changes from here on count, also those before the first wait. Where
    // the lines cannot be read the first wait tells why.
    const int error = lastError_;
    LineState now;
    if (fd_ >= 0 && ReadLines(now))
        seen_ = now;
    lastError_ = error;
    return true;
}

bool PosixSerialDevice::ReadLines(LineState &state)
{
    state = {};
    if (countsWork_ && !sampling_) {
        serial_icounter_struct counts{};
        if (ioctl(fd_, TIOCGICOUNT, &counts) == 0) {
            state.valid = state.counted = true;
            state.cts = counts.cts;
            state.dsr = counts.dsr;
            state.rng = counts.rng;
            state.dcd = counts.dcd;
            return true;
        }
        if (errno != ENOTTY && errno != EINVAL)
            return Fail(errno);
        // pl2303, ch341 and others keep no counters: compare levels.
        countsWork_ = false;
    }
    if (ioctl(fd_, TIOCMGET, &state.levels) != 0)
        return Fail(errno);
    state.valid = true;
    return true;
}

std::uint32_t PosixSerialDevice::Changes(const LineState &now, int lines) const
{
    // Nothing to compare with yet, or the driver changed its story.
    if (!seen_.valid || !now.valid || seen_.counted != now.counted)
        return 0;
    int changed = 0;
    if (now.counted) {
        changed |= now.cts != seen_.cts ? TIOCM_CTS : 0;
        changed |= now.dsr != seen_.dsr ? TIOCM_DSR : 0;
        changed |= now.rng != seen_.rng ? TIOCM_RNG : 0;
        changed |= now.dcd != seen_.dcd ? TIOCM_CD : 0;
    } else {
        changed = now.levels ^ seen_.levels;
    }
    return EventsOf(changed & lines);
}

SerialDevice::WaitResult PosixSerialDevice::WaitEvent(std::uint32_t &events)
{
    events = 0;
    if (fd_ < 0) {
        lastError_ = EBADF;
        return WaitResult::Failed;
    }
    // The wait thread may have inherited a mask that blocks the signal.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, InterruptSignal());
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);

    f_owner_ex owner{F_OWNER_TID, gettid()};
    fcntl(fd_, F_SETOWN_EX, &owner);
    waiter_ = pthread_self();
    waiting_ = true;
    Tend();
    // No line in the mask: the wait lasts until Interrupt().
    const int lines = LinesOf(mask_);
    WaitResult result = sampling_ ? WaitSampling(lines, events) : WaitBlocking(lines, events);
    waiting_ = false;
    return result;
}

bool PosixSerialDevice::TakeChanges(int lines, std::uint32_t &events)
{
    LineState now;
    if (!ReadLines(now))
        return false;
    events = Changes(now, lines);
    See(now);
    return true;
}

void PosixSerialDevice::See(const LineState &now)
{
    if (seen_.valid && now.valid && !seen_.counted && !now.counted) {
        const int changed = now.levels ^ seen_.levels;
        for (std::size_t i = 0; i < counted_.size(); ++i) {
            if (changed & kLineEvents[i].line)
                ++counted_[i];
        }
    }
    seen_ = now;
}

void PosixSerialDevice::Tend()
{
    // Emptying the queue also lets the handshake raise RTS again.
    int queued = 0;
    if (ioctl(fd_, TIOCINQ, &queued) == 0 && queued > 0)
        tcflush(fd_, TCIFLUSH);
    int levels = 0;
    std::lock_guard lock(controlMutex_);
    if (controlLines_ == 0 || ioctl(fd_, TIOCMGET, &levels) != 0)
        return;
    int off = controlLines_ & ~levels;
    if (off)
        ioctl(fd_, TIOCMBIS, &off);
}

SerialDevice::WaitResult PosixSerialDevice::WaitBlocking(int lines, std::uint32_t &events)
{
    // A change since the previous wait ended (while the caller handled its
    // events) is reported now rather than lost.
    if (!TakeChanges(lines, events))
        return WaitResult::Failed;
    if (events)
        return WaitResult::Completed;

    // The ioctl compares with its own counters from its start: a change in
    // the microseconds before that shows only with the next change.
    const int waited = ioctl(fd_, TIOCMIWAIT, lines);
    const int error = errno;
    if (waited != 0 && (error == ENOTTY || error == EINVAL)) {
        // This driver cannot wait (cp210x): rather sample than be blind.
        // Its own counters go on from where the driver's stood.
        if (seen_.counted) {
            counted_[0] = static_cast<std::uint32_t>(seen_.cts);
            counted_[1] = static_cast<std::uint32_t>(seen_.dsr);
            counted_[2] = static_cast<std::uint32_t>(seen_.rng);
            counted_[3] = static_cast<std::uint32_t>(seen_.dcd);
        }
        sampling_ = true;
        seen_ = {};
        return WaitSampling(lines, events);
    }
    // Bytes that came in (they end the wait too) and lines another program
    // switched off are seen to first.
    Tend();
    if (waited != 0) {
        if (error == EINTR)
            return WaitResult::Interrupted;
        lastError_ = error;
        return WaitResult::Failed;
    }
    LineState now;
    if (!ReadLines(now))
        return WaitResult::Failed;
    events = Changes(now, lines);
    // Levels can be back where they were after a short pulse: the wait
    // ended for a reason, so each watched line counts as changed twice.
    if (!events && !now.counted) {
        events = EventsOf(lines);
        for (std::size_t i = 0; i < counted_.size(); ++i) {
            if (lines & kLineEvents[i].line)
                counted_[i] += 2;
        }
    }
    See(now);
    return WaitResult::Completed;
}

SerialDevice::WaitResult PosixSerialDevice::WaitSampling(int lines, std::uint32_t &events)
{
    if (!seen_.valid) {
        if (!ReadLines(seen_))
            return WaitResult::Failed;
    }
    for (;;) {
        if (!TakeChanges(lines, events))
            return WaitResult::Failed;
        if (events)
            return WaitResult::Completed;
        // A barrier interruption lasts far longer than this. nanosleep is
        // never restarted after a handler: the signal ends it.
        timespec pause{0, kSampleIntervalNs};
        if (nanosleep(&pause, nullptr) != 0)
            return WaitResult::Interrupted;
    }
}

void PosixSerialDevice::Interrupt()
{
    // The waiter is recorded before waiting_ is set; the owner joins the wait
    // thread only after it left, so the thread still exists here.
    if (waiting_)
        pthread_kill(waiter_.load(), InterruptSignal());
}

std::uint32_t PosixSerialDevice::ModemStatus()
{
    int levels = 0;
    if (fd_ < 0 || ioctl(fd_, TIOCMGET, &levels) != 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return 0;
    }
    std::uint32_t status = 0;
    for (const LineEvent &e : kLineEvents) {
        if (levels & e.line)
            status |= e.status;
    }
    return status;
}

ModemLines PosixSerialDevice::ReadModemLines()
{
    ModemLines lines;
    if (fd_ < 0)
        return lines;
    // The counters before the levels: a change between the two calls shows
    // in the level now and in its counter only with the next reading, never
    // as a count whose level is missing.
    serial_icounter_struct counts{};
    if (countsWork_ && !sampling_ && ioctl(fd_, TIOCGICOUNT, &counts) == 0) {
        lines.changes = {static_cast<std::uint32_t>(counts.cts), static_cast<std::uint32_t>(counts.dsr),
                         static_cast<std::uint32_t>(counts.rng), static_cast<std::uint32_t>(counts.dcd)};
    } else {
        for (std::size_t i = 0; i < counted_.size(); ++i)
            lines.changes[i] = counted_[i];
    }
    lines.status = ModemStatus();
    return lines;
}

bool PosixSerialDevice::SetControlLines(bool dtr, bool rts)
{
    if (fd_ < 0)
        return Fail(EBADF);
    std::lock_guard lock(controlMutex_);
    int on = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int off = (TIOCM_DTR | TIOCM_RTS) & ~on;
    if ((on && ioctl(fd_, TIOCMBIS, &on) != 0) || (off && ioctl(fd_, TIOCMBIC, &off) != 0))
        return Fail(errno);
    controlLines_ = on;
    return true;
}

int PosixSerialDevice::BytesWaiting()
{
    int count = 0;
    if (fd_ < 0 || ioctl(fd_, FIONREAD, &count) != 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return 0;
    }
    return count;
}

void PosixSerialDevice::Purge()
{
    if (fd_ >= 0 && tcflush(fd_, TCIFLUSH) != 0)
        lastError_ = errno;
}

void PosixSerialDevice::Close()
{
    if (fd_ < 0)
        return;
    // The flag was set by this handle's Open; a later holder sets its own.
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool PosixSerialDevice::IsOpen() const
{
    return fd_ >= 0;
}

int PosixSerialDevice::LastError() const
{
    return lastError_;
}

bool PosixSerialDevice::LinesRefused() const
{
    return linesRefused_;
}

bool PosixSerialDevice::IsSampling() const
{
    return sampling_;
}
