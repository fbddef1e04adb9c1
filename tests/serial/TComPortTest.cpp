#include "serial/SimulatedSerialPorts.h"
#include "serial/TComPort.h"
#include "support/Wait.h"
#include "support/Printers.h"

#include <QCoreApplication>
#include <QThread>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr std::uint32_t CTS = SerialDevice::MsCtsOn;
constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;

// A port on simulated COM3 that records its handler calls.
class PortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port.Port = 3;
        port.Events = {evCTS, evDSR};
        port.OnCTS = [this](QObject *sender) { record("CTS", sender); };
        port.OnDSR = [this](QObject *sender) { record("DSR", sender); };
        port.OnOpen = [this](QObject *sender) { record("open", sender); };
        port.OnClose = [this](QObject *sender) { record("close", sender); };
    }

    void record(const char *what, QObject *sender)
    {
        calls << what;
        EXPECT_EQ(sender, &port);
    }

    // The wait thread has handed a request over and blocks until the GUI
    // thread takes it.
    bool HandOverPending()
    {
        return WaitWithoutEvents([&] { return port.PendingHandOvers() == 1; });
    }

    QStringList calls; // outlives the port, whose destructor still reports
    SimulatedSerialPorts lines{{3}};
    TComPort port{nullptr, lines.Factory()};
};

TEST(TComPortProperties, ANewPortHasTheComponentDefaults)
{
    TComPort port;
    EXPECT_EQ(port.BaudRate, br9600);
    EXPECT_EQ(port.BaudRateUser, 9600);
    EXPECT_EQ(port.Port, 1);
    EXPECT_EQ(port.Parity, prNone);
    EXPECT_EQ(port.StopBits, sbOneStopBit);
    EXPECT_EQ(port.FlowControl, fcNone);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.Events, TEvents::All());
    EXPECT_TRUE(port.EnableDTR);
    EXPECT_EQ(port.WriteBufSize, 2048);
    EXPECT_EQ(port.ReadBufSize, 2048);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.EventFlags(), 0x1FFu);
}

TEST(TComPortProperties, DataBitsAreClampedToFiveThroughEight)
{
    TComPort port;
    port.SetDataBits(4);
    EXPECT_EQ(port.DataBits(), 5);
    port.SetDataBits(9);
    EXPECT_EQ(port.DataBits(), 8);
    port.SetDataBits(7);
    EXPECT_EQ(port.DataBits(), 7);
}

TEST(TComPortProperties, DeviceControlOfTheCounterPort)
{
    TComPort port;
    port.FlowControl = fcRtsCts;
    port.WriteBufSize = 64;
    port.ReadBufSize = 64;
    port.Events = {evCTS, evDSR};
    const DeviceControl dcb = port.MakeDeviceControl();
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Flags, 0x0001u | 0x0010u | 0x0004u | 0x2000u);
    EXPECT_EQ(dcb.XonLim, 16);
    EXPECT_EQ(dcb.XoffLim, 1);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(dcb.WriteTotalTimeoutMultiplier, 1000u);
    EXPECT_EQ(dcb.WriteTotalTimeoutConstant, 1500u);
    EXPECT_EQ(dcb.ReadQueueSize, 64);
    EXPECT_EQ(port.EventFlags(), 0x0018u);
}

TEST(TComPortProperties, DeviceControlFollowsEachProperty)
{
    TComPort port;
    EXPECT_EQ(port.MakeDeviceControl().XonLim, 512);
    EXPECT_EQ(port.MakeDeviceControl().Flags, 0x0011u);
    port.BaudRate = brUser;
    port.BaudRateUser = 28800;
    port.EnableDTR = false;
    port.FlowControl = fcXonXoff;
    port.Parity = prSpace;
    port.StopBits = sbTwoStopBits;
    const DeviceControl dcb = port.MakeDeviceControl();
    EXPECT_EQ(dcb.BaudRate, 28800u);
    EXPECT_EQ(dcb.Flags, 0x0001u | 0x0100u | 0x0200u);
    EXPECT_EQ(dcb.Parity, 4);
    EXPECT_EQ(dcb.StopBits, 2);
    port.BaudRate = br256000;
    EXPECT_EQ(port.MakeDeviceControl().BaudRate, 256000u);
}

TEST(ErrorCodeText, UsesTheSystemTextOrTheNumber)
{
    EXPECT_EQ(ErrorCodeText(ENOENT), "No such file or directory");
    EXPECT_EQ(ErrorCodeText(98765), "98765");
}

TEST_F(PortTest, OpenFailuresRaiseTheirErrorsAndLeaveThePortClosed)
{
    port.Port = 0;
    try {
        port.Open();
        FAIL() << "port 0 opened";
    } catch (const EComHandle &error) {
        EXPECT_STREQ(error.what(), "Unable to open com port: No such file or directory");
    }
    port.Port = 3;
    lines.RefuseSettings(3, true);
    try {
        port.Open();
        FAIL() << "refused settings accepted";
    } catch (const EComState &error) {
        EXPECT_STREQ(error.what(), "Unable to set com state: Invalid argument");
    }
    EXPECT_FALSE(port.LinesRefused());
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(calls.isEmpty());
    // The device was released, so the port can be had again.
    EXPECT_FALSE(lines.IsOpen(3));
    lines.RefuseSettings(3, false);
    // Another program keeps RTS off, which the handshake wants on: refused,
    // and the port says why.
    lines.HoldRtsOff(3, true);
    port.FlowControl = fcRtsCts;
    EXPECT_THROW(port.Open(), EComState);
    EXPECT_TRUE(port.LinesRefused());
    EXPECT_FALSE(lines.IsOpen(3));
    lines.HoldRtsOff(3, false);
    port.Open();
    EXPECT_TRUE(port.Connected());
    EXPECT_FALSE(port.LinesRefused());
}

TEST_F(PortTest, OpenAndCloseRaiseTheirHandlersOnlyWhenTheyChangeSomething)
{
    port.Close();
    EXPECT_TRUE(calls.isEmpty());
    port.Open();
    port.Open();
    port.Close();
    port.Close();
    EXPECT_EQ(calls, QStringList({"open", "close", "open", "close"}));
    EXPECT_FALSE(lines.IsOpen(3));
}

TEST_F(PortTest, OpenWritesTheSettingsAndReadsTheLines)
{
    lines.SetLines(3, DSR | SerialDevice::MsRingOn);
    port.BaudRate = br19200;
    port.Open();
    EXPECT_EQ(lines.LastSettings(3).BaudRate, 19200u);
    EXPECT_EQ(port.ModemStatus(), DSR | SerialDevice::MsRingOn);
}

TEST_F(PortTest, EachLineChangeReachesItsHandlerOnTheGuiThread)
{
    bool onGuiThread = true;
    port.OnCTS = [&](QObject *) {
        calls << "CTS";
        onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
    };
    port.Open();
    lines.SetLine(3, CTS, true);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 2; }));
    lines.SetLine(3, DSR, true);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 3; }));
    // Lines outside the events are not reported.
    lines.SetLine(3, SerialDevice::MsRingOn, true);
    lines.SetLine(3, CTS, false);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 4; }));
    EXPECT_EQ(calls, QStringList({"open", "CTS", "DSR", "CTS"}));
    EXPECT_TRUE(onGuiThread);
}

TEST_F(PortTest, BothLinesInOneWaitCallCtsBeforeDsr)
{
    port.Open();
    lines.SetLines(3, CTS | DSR);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 3; }));
    EXPECT_EQ(calls, QStringList({"open", "CTS", "DSR"}));
}

TEST_F(PortTest, CloseRunsAPendingHandOverBeforeItsOwnHandler)
{
    port.Open();
    lines.SetLine(3, DSR, true);
    ASSERT_TRUE(HandOverPending());
    port.Close();
    EXPECT_EQ(calls, QStringList({"open", "DSR", "close"}));
}

TEST_F(PortTest, AStopRequestWinsOverAWaitThatCompletedMeanwhile)
{
    port.Open();
    lines.SetLine(3, DSR, true);
    // The thread is at its hand-over; a second wait completes behind it.
    ASSERT_TRUE(HandOverPending());
    lines.SetLine(3, CTS, true);
    port.Close();
    EXPECT_EQ(calls, QStringList({"open", "DSR", "close"}));
}

TEST_F(PortTest, AThrowingHandlerEndsTheLineEventsUntilTheNextOpen)
{
    port.OnDSR = [&](QObject *) {
        calls << "DSR";
        throw std::runtime_error("handler failed");
    };
    port.Open();
    lines.SetLine(3, DSR, true);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 2; }));
    // The wait loop has ended: it purges the port on its way out.
    ASSERT_TRUE(WaitUntil([&] { return lines.Purges(3) == 1; }));
    lines.SetLine(3, CTS, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, QStringList({"open", "DSR"}));
    EXPECT_TRUE(port.Connected());

    port.Open();
    lines.SetLine(3, CTS, false);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 5; }));
    EXPECT_EQ(calls, QStringList({"open", "DSR", "close", "open", "CTS"}));
}

TEST_F(PortTest, AnUnpluggedAdapterClosesThePortAndTheNextOpenTakesItAgain)
{
    port.Open();
    lines.Unplug(3);
    ASSERT_TRUE(WaitUntil([&] { return !port.Connected(); }));
    EXPECT_EQ(calls, QStringList({"open", "close"}));
    EXPECT_THROW(port.Open(), EComHandle);

    lines.Plug(3);
    port.Open();
    lines.SetLine(3, CTS, true);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 4; }));
    EXPECT_EQ(calls.last(), "CTS");
}

TEST_F(PortTest, TheLineLostNoticeOfAnEarlierConnectionLeavesALaterOneAlone)
{
    port.Open();
    lines.Unplug(3);
    // The notice is handed over; the port is closed before it is taken up.
    ASSERT_TRUE(HandOverPending());
    port.Close();
    lines.Plug(3);
    port.Open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(calls, QStringList({"open", "close", "open"}));
}

TEST_F(PortTest, AHandlerThatClosesThePortEndsItsDispatchAndThePortOpensAgain)
{
    port.OnCTS = [this](QObject *sender) {
        record("CTS", sender);
        port.Close();
        calls << (port.Connected() ? "still connected" : "closed");
    };
    port.Open();
    lines.SetLines(3, CTS | DSR);
    ASSERT_TRUE(WaitUntil([&] { return calls.contains("closed"); }));
    // The DSR handler of the same wait would read a port that is closed.
    EXPECT_EQ(calls, QStringList({"open", "CTS", "close", "closed"}));
    EXPECT_FALSE(lines.IsOpen(3));
    // Its wait thread ends once the handler has returned.
    ASSERT_TRUE(WaitUntil([&] { return port.EndingThreads() == 0; }));

    port.OnCTS = [this](QObject *sender) { record("CTS", sender); };
    port.Open();
    lines.SetLine(3, DSR, false);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 6; }));
    EXPECT_EQ(calls.last(), "DSR");
}

TEST_F(PortTest, AHandlerCanReopenThePortAndTheNewConnectionReports)
{
    int reopens = 0;
    port.OnDSR = [&](QObject *sender) {
        record("DSR", sender);
        if (reopens++ == 0) {
            port.Close();
            port.Open();
        }
    };
    port.Open();
    lines.SetLine(3, DSR, true);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 4; }));
    EXPECT_EQ(calls, QStringList({"open", "DSR", "close", "open"}));
    EXPECT_TRUE(port.Connected());
    lines.SetLine(3, DSR, false);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 5; }));
    EXPECT_EQ(calls.last(), "DSR");
    port.Close();
    EXPECT_EQ(calls.last(), "close");
}

TEST_F(PortTest, AnUnpluggedAdapterDuringAHandlerThatClosesIsReportedOnce)
{
    // The handler closes and the adapter goes at the same time: one close.
    port.OnDSR = [this](QObject *sender) {
        record("DSR", sender);
        lines.Unplug(3);
        port.Close();
    };
    port.Open();
    lines.SetLine(3, DSR, true);
    ASSERT_TRUE(WaitUntil([&] { return calls.size() == 3; }));
    ASSERT_TRUE(WaitUntil([&] { return port.EndingThreads() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, QStringList({"open", "DSR", "close"}));
}

TEST_F(PortTest, AdaptersUnpluggedDuringAStormOfLineChangesCloseEachTime)
{
    std::atomic<bool> stop = false;
    std::thread storm([&] {
        for (std::uint32_t status = 0; !stop; status = (status + CTS) & (CTS | DSR))
            lines.SetLines(3, status);
    });
    for (int cycle = 0; cycle < 50; ++cycle) {
        port.Open();
        ASSERT_TRUE(WaitUntil([&] { return calls.size() > 1 && calls.last() != "open"; }));
        lines.Unplug(3);
        ASSERT_TRUE(WaitUntil([&] { return !port.Connected(); }));
        EXPECT_EQ(calls.last(), "close");
        lines.Plug(3);
    }
    stop = true;
    storm.join();
    EXPECT_EQ(calls.count("open"), 50);
    EXPECT_EQ(calls.count("close"), 50);
}

} // namespace
