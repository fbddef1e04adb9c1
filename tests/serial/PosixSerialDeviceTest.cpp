#include "serial/PosixSerialDevice.h"

#include "serial/FakeModem.h"
#include "serial/PosixBaudRate.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <linux/serial.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using Result = SerialDevice::WaitResult;

namespace {

// The device opens the slave by path. `observer` is another slave fd, opened
// first because TIOCEXCL keeps later opens out (except root's).
class PosixSerialDevicePty : public ::testing::Test {
protected:
    PosixSerialDevicePty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            path = ptsname(master);
        observer = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~PosixSerialDevicePty() override
    {
        device.Close();
        close(observer);
        close(master);
    }
    void SetUp() override
    {
        ASSERT_GE(observer, 0);
        ASSERT_TRUE(device.Open(1)) << ErrorCodeText(device.LastError());
    }
    termios Seen() const
    {
        termios t{};
        tcgetattr(observer, &t);
        return t;
    }
    std::uint32_t SeenRate() const
    {
        std::uint32_t rate = 0;
        return GetCustomBaudRate(observer, rate) ? rate : 0;
    }
    PosixSerialDevice::PathResolver Resolver() const
    {
        return [this](int) { return path; };
    }

    int master = -1;
    int observer = -1;
    std::string path;
    PosixSerialDevice device{Resolver()};
    // The program's own line: 9600 8N1, RTS/CTS handshake, DTR on.
    DeviceControl control{.BaudRate = 9600,
                          .Flags = DeviceControl::fBinary | DeviceControl::fOutxCtsFlow
                              | DeviceControl::DtrControlEnable | DeviceControl::RtsControlHandshake};
};

TEST_F(PosixSerialDevicePty, OpenIsExclusiveUntilClosed)
{
    PosixSerialDevice second(Resolver());
    EXPECT_FALSE(second.Open(1));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.LastError(), EBUSY) << ErrorCodeText(second.LastError());

    device.Close();
    device.Close();
    EXPECT_FALSE(device.IsOpen());
    EXPECT_TRUE(second.Open(1)) << ErrorCodeText(second.LastError());
}

// Root passes TIOCEXCL, so only the lock refuses it; the flag is the port's.
TEST_F(PosixSerialDevicePty, ARefusedSecondOpenLeavesTheHolderExclusive)
{
    auto exclusive = [this] {
        int flag = -1;
        EXPECT_EQ(ioctl(observer, TIOCGEXCL, &flag), 0);
        return flag;
    };
    EXPECT_EQ(exclusive(), 1);
    PosixSerialDevice second(Resolver());
    EXPECT_FALSE(second.Open(1));
    EXPECT_EQ(exclusive(), 1);
    device.Close();
    EXPECT_EQ(exclusive(), 0);
}

// A UART node with no hardware: sysfs says type 0 for its device number.
TEST_F(PosixSerialDevicePty, AUartNodeWithoutHardwareIsRefusedAtOpen)
{
    namespace fs = std::filesystem;
    device.Close();
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const fs::path sys = fs::temp_directory_path() / ("pontra-sys-" + std::to_string(getpid()));
    const fs::path attributes = sys / "dev/char" / (std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)));
    fs::create_directories(attributes);
    for (const auto &[type, opens] : {std::pair{"0", false}, {"4", true}}) {
        std::ofstream(attributes / "type") << type << "\n";
        PosixSerialDevice uart(Resolver(), sys.string());
        EXPECT_EQ(uart.Open(1), opens) << type;
        if (!opens) {
            EXPECT_EQ(uart.LastError(), ENODEV);
        }
    }
    fs::remove_all(sys);
}

TEST(PosixSerialDevice, PortsWithoutDeviceFailWithNoSuchFile)
{
    PosixSerialDevice byNumber;
    EXPECT_FALSE(byNumber.Open(0));
    EXPECT_EQ(byNumber.LastError(), ENOENT);
    PosixSerialDevice missing([](int) { return std::string("/dev/pontra-no-such-tty"); });
    EXPECT_FALSE(missing.Open(1));
    EXPECT_EQ(missing.LastError(), ENOENT);
}

TEST_F(PosixSerialDevicePty, SettingsReadBack)
{
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    termios t = Seen();
    EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS | CLOCAL | CREAD), CS8 | CRTSCTS | CLOCAL | CREAD);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(SeenRate(), 9600u);

    control.BaudRate = 28800; // not in glibc's table
    control.Flags = DeviceControl::fOutX | DeviceControl::fInX;
    control.XonChar = 'Q';
    control.XoffChar = 'S';
    control.StopBits = 1;
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    t = Seen();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), IXON | IXOFF);
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(CSTOPB));
    EXPECT_EQ(t.c_cc[VSTART], 'Q');
    EXPECT_EQ(t.c_cc[VSTOP], 'S');
    EXPECT_EQ(SeenRate(), 28800u);
}

// A pty forces CS8 and drops PARENB: the read-back must notice. The parity
// kind bits it keeps show the mapping.
TEST_F(PosixSerialDevicePty, SettingsTheDriverDropsFail)
{
    const tcflag_t kind[] = {0, PARODD, 0, CMSPAR | PARODD, CMSPAR};
    for (std::uint8_t parity = 1; parity <= 4; ++parity) {
        control.Parity = parity;
        EXPECT_FALSE(device.ApplySettings(control)) << int(parity);
        EXPECT_EQ(device.LastError(), EINVAL);
        EXPECT_EQ(Seen().c_cflag & (CMSPAR | PARODD), kind[parity]) << int(parity);
    }
    control.Parity = 0;
    for (std::uint8_t bits : {5, 6, 7}) {
        control.ByteSize = bits;
        EXPECT_FALSE(device.ApplySettings(control)) << int(bits);
    }
}

TEST_F(PosixSerialDevicePty, WaitWithoutModemLinesFailsAtOnce)
{
    device.SetEventMask(SerialDevice::EvCts | SerialDevice::EvDsr);
    std::uint32_t events = 0;
    EXPECT_EQ(device.WaitEvent(events), Result::Failed);
    EXPECT_FALSE(device.IsSampling());
    EXPECT_EQ(device.LastError(), ENOTTY);
    EXPECT_EQ(device.ModemStatus(), 0u);
}

// One WaitEvent on its own thread, as the program's wait thread runs it.
struct Waiter {
    explicit Waiter(PosixSerialDevice &d) : device(d), thread([this] { Run(); }) {}
    ~Waiter()
    {
        if (!left) {
            ADD_FAILURE() << "the wait never ended";
            fakeModem.load()->broken = true;
            fakeModem.load()->Toggle(0);
        }
        thread.join();
    }
    void Run()
    {
        // A thread can start with the signal blocked; the wait must cope.
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, PosixSerialDevice::InterruptSignal());
        pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
        result = device.WaitEvent(events);
        left = true;
    }
    bool Left() { return WaitWithoutEvents([this] { return left.load(); }); }
    // Repeated, as the owner does: one signal can come before the wait.
    bool InterruptUntilLeft()
    {
        return WaitWithoutEvents([this] { device.Interrupt(); return left.load(); });
    }

    PosixSerialDevice &device;
    Result result = Result::Failed;
    std::uint32_t events = 0;
    std::atomic<bool> left{false};
    std::thread thread;
};

class PosixSerialDeviceFakeModem : public PosixSerialDevicePty {
protected:
    void SetUp() override
    {
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        fake.device = st.st_rdev;
        ASSERT_EQ(pipe(fake.wake), 0);
        fakeModem = &fake;
        PosixSerialDevicePty::SetUp();
        device.SetEventMask(SerialDevice::EvCts | SerialDevice::EvDsr);
    }
    void TearDown() override
    {
        fakeModem = nullptr;
        close(fake.wake[0]);
        close(fake.wake[1]);
    }
    bool Asleep() { return WaitWithoutEvents([this] { return fake.sleepers == 1; }); }

    FakeModem fake;
};

// Like cdc-acm: the handshake alone raises no RTS, here after "no handshake"
// on the same handle dropped it.
TEST_F(PosixSerialDeviceFakeModem, TheHandshakeRaisesRtsItselfAndAPortThatKeepsItOffIsRefused)
{
    const std::uint32_t program = control.Flags;
    control.Flags = DeviceControl::fBinary | DeviceControl::DtrControlEnable;
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    EXPECT_EQ(fake.levels & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR);

    control.Flags = program;
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    EXPECT_EQ(fake.levels & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR | TIOCM_RTS);

    EXPECT_FALSE(device.LinesRefused());

    fake.levels &= ~TIOCM_RTS;
    fake.keepsRts = true;
    EXPECT_FALSE(device.ApplySettings(control));
    EXPECT_EQ(device.LastError(), EIO);
    EXPECT_TRUE(device.LinesRefused());
    control.BaudRate = 0;
    EXPECT_FALSE(device.ApplySettings(control));
    EXPECT_FALSE(device.LinesRefused()) << "refused for another reason";
}

// A program that had the port open before clears DTR and RTS: the first
// wait raises them again, and so does every wait as it returns.
TEST_F(PosixSerialDeviceFakeModem, LinesAnotherProgramSwitchedOffAreRaisedByTheWaits)
{
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    auto switchOff = [this](int lines) {
        std::lock_guard lock(fake.mutex);
        fake.levels &= ~lines;
    };
    auto controlLines = [this] {
        std::lock_guard lock(fake.mutex);
        return fake.levels & (TIOCM_DTR | TIOCM_RTS);
    };
    switchOff(TIOCM_DTR | TIOCM_RTS);
    Waiter w(device);
    ASSERT_TRUE(Asleep());
    EXPECT_EQ(controlLines(), TIOCM_DTR | TIOCM_RTS);
    switchOff(TIOCM_RTS);
    fake.Toggle(TIOCM_CTS); // the exit barrier loses its feed
    ASSERT_TRUE(w.Left());
    EXPECT_EQ(w.result, Result::Completed);
    EXPECT_EQ(controlLines(), TIOCM_DTR | TIOCM_RTS);
}

// A relay on the lines: each is switched as asked, kept on by the waits
// while it is meant to be on and left off once it was switched off; the
// driver drops both as the port closes.
TEST_F(PosixSerialDeviceFakeModem, ControlLinesSwitchARelayAndTheWaitsKeepThemAsSet)
{
    control.Flags = DeviceControl::fBinary;
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    EXPECT_TRUE(Seen().c_cflag & HUPCL);
    auto controlLines = [this] {
        std::lock_guard lock(fake.mutex);
        return fake.levels & (TIOCM_DTR | TIOCM_RTS);
    };
    EXPECT_EQ(controlLines(), 0);
    for (const auto &[dtr, rts] : {std::pair{true, false}, {true, true}, {false, true}, {false, false}}) {
        ASSERT_TRUE(device.SetControlLines(dtr, rts));
        EXPECT_EQ(controlLines(), (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0));
    }

    ASSERT_TRUE(device.SetControlLines(true, false));
    {
        std::lock_guard lock(fake.mutex);
        fake.levels &= ~TIOCM_DTR; // another program
    }
    Waiter w(device);
    ASSERT_TRUE(Asleep());
    EXPECT_EQ(controlLines(), TIOCM_DTR);
    // Switched off while the wait sleeps: the wait's return leaves it off.
    ASSERT_TRUE(device.SetControlLines(false, false));
    fake.Toggle(TIOCM_CTS);
    ASSERT_TRUE(w.Left());
    EXPECT_EQ(controlLines(), 0);

    fake.broken = true;
    EXPECT_FALSE(device.SetControlLines(true, false));
    EXPECT_EQ(device.LastError(), EIO);
    device.Close();
    EXPECT_FALSE(device.SetControlLines(true, false));
    EXPECT_EQ(device.LastError(), EBADF);
}

// Left in the queue, received bytes would make the handshake drop RTS once
// it fills: they are dropped at each wait's start and end a wait that
// sleeps when they come.
TEST_F(PosixSerialDeviceFakeModem, ReceivedBytesAreDroppedAtEachWaitAndAsTheyCome)
{
    ASSERT_TRUE(device.ApplySettings(control)) << ErrorCodeText(device.LastError());
    auto queued = [this] {
        int count = -1;
        ioctl(observer, TIOCINQ, &count);
        return count;
    };
    const std::string bytes(100, 'x');
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), 100);
    ASSERT_TRUE(WaitWithoutEvents([&] { return queued() == 100; }));
    Waiter w(device);
    ASSERT_TRUE(Asleep());
    EXPECT_EQ(queued(), 0);
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), 100);
    ASSERT_TRUE(w.Left());
    EXPECT_EQ(w.result, Result::Interrupted);
    EXPECT_EQ(queued(), 0);
}

// The counters come from the driver where it keeps them; where not, the
// device counts the changes its waits saw, the pulse a wait woke for as two.
TEST_F(PosixSerialDeviceFakeModem, ModemLinesCountEveryChangeAlsoWhereTheDriverKeepsNoCounters)
{
    fake.Toggle(TIOCM_DSR, 2);
    fake.Toggle(TIOCM_CTS);
    ModemLines lines = device.ReadModemLines();
    EXPECT_EQ(lines.status, SerialDevice::MsCtsOn);
    EXPECT_EQ(lines.Changes(SerialDevice::MsDsrOn), 2u);
    EXPECT_EQ(lines.Changes(SerialDevice::MsCtsOn), 1u);

    device.Close();
    fake.counts = false;
    ASSERT_TRUE(device.Open(1));
    device.SetEventMask(SerialDevice::EvCts | SerialDevice::EvDsr);
    EXPECT_EQ(device.ReadModemLines().Changes(SerialDevice::MsDsrOn), 0u);
    {
        Waiter w(device);
        ASSERT_TRUE(Asleep());
        // Read from another thread while the wait sleeps, as the GUI does.
        EXPECT_EQ(device.ReadModemLines().Changes(SerialDevice::MsDsrOn), 0u);
        fake.Toggle(TIOCM_DSR, 2);
        ASSERT_TRUE(w.Left());
    }
    EXPECT_EQ(device.ReadModemLines().Changes(SerialDevice::MsDsrOn), 2u);
    fake.Toggle(TIOCM_DSR);
    Waiter w(device);
    ASSERT_TRUE(w.Left());
    EXPECT_EQ(w.events, SerialDevice::EvDsr);
    lines = device.ReadModemLines();
    EXPECT_EQ(lines.Changes(SerialDevice::MsDsrOn), 3u);
    EXPECT_EQ(lines.status, SerialDevice::MsCtsOn | SerialDevice::MsDsrOn);
}

TEST_F(PosixSerialDeviceFakeModem, ReportsWatchedChangesAlsoBetweenWaits)
{
    for (bool counts : {true, false}) {
        SCOPED_TRACE(counts ? "counters" : "levels");
        fake.counts = counts;
        device.SetEventMask(SerialDevice::EvCts | SerialDevice::EvDsr);
        fake.Toggle(TIOCM_DSR);
        {
            Waiter w(device);
            ASSERT_TRUE(w.Left());
            EXPECT_EQ(w.result, Result::Completed);
            EXPECT_EQ(w.events, SerialDevice::EvDsr);
        }
        fake.Toggle(TIOCM_RNG); // not watched: the next wait sleeps
        Waiter w(device);
        ASSERT_TRUE(Asleep());
        // Levels back where they were after a pulse still tell of a change.
        fake.Toggle(TIOCM_CTS, counts ? 1 : 2);
        ASSERT_TRUE(w.Left());
        EXPECT_EQ(w.result, Result::Completed);
        EXPECT_EQ(w.events, counts ? SerialDevice::EvCts : SerialDevice::EvCts | SerialDevice::EvDsr);
    }
}

TEST_F(PosixSerialDeviceFakeModem, InterruptWakesABlockedWaitAndADeadDeviceFails)
{
    device.Interrupt(); // nobody waits: must do nothing
    {
        Waiter w(device);
        ASSERT_TRUE(Asleep());
        ASSERT_TRUE(w.InterruptUntilLeft());
        EXPECT_EQ(w.result, Result::Interrupted);
    }
    fake.waitError = EIO; // an unplugged adapter
    Waiter w(device);
    ASSERT_TRUE(w.Left());
    EXPECT_EQ(w.result, Result::Failed);
    EXPECT_EQ(device.LastError(), EIO);
}

TEST_F(PosixSerialDeviceFakeModem, DriverThatCannotWaitIsSampled)
{
    fake.canWait = false;
    {
        Waiter w(device);
        ASSERT_TRUE(WaitWithoutEvents([&] { return device.IsSampling(); }));
        // Several samples of unchanged lines end no wait.
        const int reads = fake.levelReads;
        ASSERT_TRUE(WaitWithoutEvents([&] { return fake.levelReads >= reads + 3; }));
        EXPECT_FALSE(w.left);
        ASSERT_TRUE(w.InterruptUntilLeft());
        EXPECT_EQ(w.result, Result::Interrupted);
    }
    fake.Toggle(TIOCM_DSR | TIOCM_RNG);
    Waiter w(device);
    ASSERT_TRUE(w.Left());
    EXPECT_EQ(w.result, Result::Completed);
    EXPECT_EQ(w.events, SerialDevice::EvDsr);
}

} // namespace
