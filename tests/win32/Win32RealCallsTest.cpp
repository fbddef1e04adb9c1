#include "desktop/HtmlHelpLibrary.h"
#include "serial/LineSettings.h"
#include "serial/Win32PortProbe.h"
#include "serial/Win32SerialDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The COM port that run.sh mapped to a pseudo-terminal; 0 without one.
int mappedPort()
{
    const char *port = std::getenv("PONTRA_WINE_COM");
    return port ? std::atoi(port) : 0;
}

TEST(Win32RealCalls, APortMappedToATerminalOpensTakesTheSettingsAndEndsItsWait)
{
    const int port = mappedPort();
    if (port == 0)
        GTEST_SKIP() << "no COM port mapped (run under tests/win32/run.sh)";
    EXPECT_TRUE(Win32PortPresent(SystemKernel32(), port));

    Win32SerialDevice device;
    ASSERT_TRUE(device.Open(port)) << device.LastError();
    LineSettings settings;
    settings.FlowControl = fcRtsCts;
    settings.WriteBufSize = settings.ReadBufSize = 64;
    EXPECT_TRUE(device.ApplySettings(MakeDeviceControl(settings))) << device.LastError();
    EXPECT_TRUE(device.SetEventMask(EV_CTS | EV_DSR));
    // A terminal has no modem lines to wait for: the wait ends, it does not hang.
    device.Interrupt();
    std::uint32_t events = 0;
    const SerialDevice::WaitResult result = device.WaitEvent(events);
    EXPECT_TRUE(result == SerialDevice::WaitResult::Failed || result == SerialDevice::WaitResult::Interrupted);
    device.Purge();
    device.ModemStatus();
    device.Close();
    EXPECT_FALSE(device.IsOpen());

}

TEST(Win32RealCalls, AnUnmappedPortIsAbsentAndFailsToOpenWithTheSystemsText)
{
    EXPECT_FALSE(Win32PortPresent(SystemKernel32(), 63));
    Win32SerialDevice device;
    EXPECT_FALSE(device.Open(63));
    const std::string text = Win32ErrorText(SystemKernel32(), static_cast<DWORD>(device.LastError()));
    EXPECT_NE(text, std::to_string(device.LastError()));
    EXPECT_EQ(Win32ErrorText(SystemKernel32(), 0x7FFFFFF0u), std::to_string(0x7FFFFFF0u));
}

TEST(Win32RealCalls, TheHtmlHelpLibraryLoadsWithItsEntryPoint)
{
    HtmlHelpLibrary help;
    EXPECT_TRUE(help.Loaded());
    help.CloseAll();
    EXPECT_FALSE(help.Loaded());
}

} // namespace
