#include "serial/PlatformSerial.h"
#include "serial/PortProbe.h"
#include "serial/SerialDeviceName.h"
#include "support/Printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

TEST(SerialDeviceName, MapsPortNumbersToLinuxDevices)
{
    EXPECT_EQ(SerialDeviceName(1), "/dev/ttyS0");
    EXPECT_EQ(SerialDeviceName(12), "/dev/ttyS11");
    EXPECT_EQ(SerialDeviceName(16), "/dev/ttyS15");
    EXPECT_EQ(SerialDeviceName(17), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDeviceName(40), "/dev/ttyUSB23");
    EXPECT_EQ(SerialDeviceName(41), "/dev/ttyACM0");
    EXPECT_EQ(SerialDeviceName(64), "/dev/ttyACM23");
    EXPECT_EQ(SerialDeviceName(0), "");
    EXPECT_EQ(SerialDeviceName(65), "");
    EXPECT_EQ(SerialDeviceName(255), "");
}

// A device tree in a folder: /dev nodes are links to /dev/null (a character
// device anyone may open) and /sys/class/tty says which have a driver.
class FakeDeviceTree : public ::testing::Test {
protected:
    void addNode(const QString &tty) { ASSERT_TRUE(QFile::link("/dev/null", root.filePath("dev/" + tty))); }
    void addSys(const QString &tty, const QByteArray &uartType = {})
    {
        const QString dir = root.filePath("sys/class/tty/" + tty);
        ASSERT_TRUE(QDir().mkpath(dir));
        if (!uartType.isNull()) {
            QFile type(dir + "/type");
            ASSERT_TRUE(type.open(QIODevice::WriteOnly));
            type.write(uartType + "\n");
        } else {
            ASSERT_TRUE(QDir().mkpath(dir + "/device"));
        }
    }
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(root.filePath("dev"))); }

    QTemporaryDir root;
};

TEST_F(FakeDeviceTree, OnlyPortsWithADriverBehindTheNodeArePresent)
{
    addNode("ttyS0");
    addSys("ttyS0", "4");     // a 16550A
    addNode("ttyS1");
    addSys("ttyS1", "0");     // a node without a UART
    addNode("ttyUSB15");
    addSys("ttyUSB15");       // COM32, an adapter
    addSys("ttyUSB16");       // COM33 known to sysfs but its node is gone
    addNode("ttyACM0");       // COM41 node left over, no device

    const PortProbe probe(root.path().toStdString());
    const std::uint64_t found = ScanPortSet([&](int n) { return probe.IsPresent(n); });
    EXPECT_EQ(found, (std::uint64_t{1} << 0) | (std::uint64_t{1} << 31));
}

TEST_F(FakeDeviceTree, NodesThatAreNotCharacterDevicesAreNotPorts)
{
    QFile plain(root.filePath("dev/ttyUSB0"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    addSys("ttyUSB0");
    EXPECT_FALSE(PortProbe(root.path().toStdString()).IsPresent(17));
}

TEST_F(FakeDeviceTree, APortHeldByAnotherProgramIsNotOffered)
{
    // A real character device that can carry a lock of its own.
    QTemporaryDir devices;
    ASSERT_TRUE(QFile::link("/dev/zero", root.filePath("dev/ttyUSB1")));
    addSys("ttyUSB1");
    const PortProbe probe(root.path().toStdString());
    ASSERT_TRUE(probe.IsPresent(18));

    const int holder = ::open("/dev/zero", O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(probe.IsPresent(18));
    ::close(holder);
    EXPECT_TRUE(probe.IsPresent(18));
}

// A terminal of the kernel's own (a pseudo-terminal) that belongs to root and
// a group, opened by a user outside that group: what an operator not in
// dialout meets. As root the check runs in a child that drops to nobody.
TEST_F(FakeDeviceTree, ATerminalThatRefusesTheUserIsARefusalNamingItsGroup)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    std::string group;
    if (::geteuid() == 0) {
        // Another group than the default, to see that the node's own is named.
        const struct group *uucp = ::getgrnam("uucp");
        const gid_t gid = uucp ? uucp->gr_gid : 0;
        group = uucp ? "uucp" : "dialout";
        ASSERT_EQ(::chown(terminal.c_str(), 0, gid), 0);
        ASSERT_EQ(::chmod(terminal.c_str(), 0660), 0);
        // nobody must reach the tree.
        ASSERT_EQ(::chmod(root.path().toLocal8Bit().constData(), 0755), 0);
    } else {
        // No group may open it now.
        group = "dialout";
        ASSERT_EQ(::chmod(terminal.c_str(), 0), 0);
    }
    ASSERT_TRUE(QFile::link(QString::fromStdString(terminal), root.filePath("dev/ttyUSB2")));
    addSys("ttyUSB2");
    addNode("ttyUSB3"); // COM20: anyone may open it
    addSys("ttyUSB3");
    const PortProbe probe(root.path().toStdString());

    int answer[2];
    ASSERT_EQ(::pipe(answer), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(answer[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const std::optional<PortRefusal> refused = probe.Refusal(19);
        const std::string line = refused ? refused->device + "|" + refused->group + "|" + refused->user : "none";
        const bool others = !probe.Refusal(20) && !probe.Refusal(21) && !probe.IsPresent(19);
        const std::string reply = line + (others ? "" : "|others refused");
        ::_exit(::write(answer[1], reply.data(), reply.size()) == static_cast<ssize_t>(reply.size()) ? 0 : 4);
    }
    ::close(answer[1]);
    char buffer[512];
    const ssize_t size = ::read(answer[0], buffer, sizeof buffer);
    ::close(answer[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(master);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string user = ::geteuid() == 0 ? "nobody" : ::getpwuid(::geteuid())->pw_name;
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(size, 0))),
              "/dev/ttyUSB2|" + group + "|" + user);
}

} // namespace
