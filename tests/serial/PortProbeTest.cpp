#include "serial/PlatformSerial.h"
#include "serial/PortProbe.h"
#include "serial/SerialDeviceName.h"
#include "support/Printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
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

} // namespace
