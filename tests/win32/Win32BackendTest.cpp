#include "FakeKernel32.h"

#include "serial/LineSettings.h"
#include "serial/PlatformSerial.h"
#include "serial/Win32PortProbe.h"
#include "serial/Win32SerialDevice.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Calls = std::vector<std::string>;

// The line settings of the main window's port.
LineSettings mainWindowPort()
{
    LineSettings settings;
    settings.BaudRate = br9600;
    settings.BaudRateUser = 28800;
    settings.FlowControl = fcRtsCts;
    settings.EnableDTR = true;
    settings.DataBits = 8;
    settings.WriteBufSize = 64;
    settings.ReadBufSize = 64;
    return settings;
}

class Win32Backend : public ::testing::Test {
protected:
    void SetUp() override { fake.Devices["\\\\.\\COM2"] = FILE_TYPE_CHAR; }

    // Opens COM2 with the main window's settings and forgets the calls so far.
    void open(const LineSettings &settings = mainWindowPort())
    {
        ASSERT_TRUE(device.Open(2));
        ASSERT_TRUE(device.ApplySettings(MakeDeviceControl(settings)));
        fake.Calls.clear();
    }

    FakeKernel32 fake;
    Win32SerialDevice device{fake.Api()};
};

TEST_F(Win32Backend, OpenWritesEveryFieldOfTheMainWindowsPort)
{
    ASSERT_TRUE(device.Open(2));
    ASSERT_TRUE(device.ApplySettings(MakeDeviceControl(mainWindowPort())));
    EXPECT_EQ(fake.Calls, Calls({"CreateFileA", "CreateEventA", "CreateEventA", "SetCommState", "GetCommTimeouts",
                                 "SetCommTimeouts", "SetupComm"}));
    EXPECT_EQ(fake.OpenedName, "\\\\.\\COM2");
    EXPECT_EQ(fake.OpenedAccess, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(fake.OpenedShare, 0u);
    EXPECT_EQ(fake.OpenedDisposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(fake.OpenedFlags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));

    const DCB &dcb = fake.Dcb;
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 1u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    EXPECT_EQ(dcb.fTXContinueOnXoff, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fErrorChar, 0u);
    EXPECT_EQ(dcb.fNull, 0u);
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
    EXPECT_EQ(dcb.fAbortOnError, 0u);
    EXPECT_EQ(dcb.XonLim, 16);
    EXPECT_EQ(dcb.XoffLim, 1);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);

    EXPECT_EQ(fake.Timeouts.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(fake.Timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(fake.Timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(fake.Timeouts.WriteTotalTimeoutMultiplier, 1000u);
    EXPECT_EQ(fake.Timeouts.WriteTotalTimeoutConstant, 1500u);
    EXPECT_EQ(fake.ReadQueue, 64u);
    EXPECT_EQ(fake.WriteQueue, 64u);
}

TEST_F(Win32Backend, TheUserRateAndOtherSettingsReachTheBlock)
{
    LineSettings settings = mainWindowPort();
    settings.BaudRate = brUser;
    settings.EnableDTR = false;
    settings.FlowControl = fcXonXoff;
    settings.Parity = prEven;
    settings.StopBits = sbTwoStopBits;
    settings.DataBits = 7;
    settings.WriteBufSize = 2048;
    open(settings);
    EXPECT_EQ(fake.Dcb.BaudRate, 28800u);
    EXPECT_EQ(fake.Dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(fake.Dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    EXPECT_EQ(fake.Dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(fake.Dcb.fOutX, 1u);
    EXPECT_EQ(fake.Dcb.fInX, 1u);
    EXPECT_EQ(fake.Dcb.Parity, EVENPARITY);
    EXPECT_EQ(fake.Dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(fake.Dcb.ByteSize, 7);
    EXPECT_EQ(fake.Dcb.XonLim, 512);
}

TEST_F(Win32Backend, RefusedSettingsAndAMissingPortReportTheSystemsError)
{
    fake.RefuseState = true;
    ASSERT_TRUE(device.Open(2));
    EXPECT_FALSE(device.ApplySettings(MakeDeviceControl(mainWindowPort())));
    EXPECT_EQ(device.LastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(device.Open(12));
    EXPECT_EQ(fake.OpenedName, "\\\\.\\COM12");
    EXPECT_EQ(device.LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(device.IsOpen());
}

TEST_F(Win32Backend, ACompletedWaitReportsItsEventsAndTheStopEventWins)
{
    open();
    ASSERT_TRUE(device.SetEventMask(0x0018));
    EXPECT_EQ(fake.Mask, 0x0018u);

    fake.Events = EV_CTS;
    fake.Wakes = {WAIT_OBJECT_0 + 1};
    std::uint32_t events = 0;
    EXPECT_EQ(device.WaitEvent(events), SerialDevice::WaitResult::Completed);
    EXPECT_EQ(events, static_cast<std::uint32_t>(EV_CTS));
    EXPECT_EQ(fake.OverlappedWaits, std::vector<BOOL>({FALSE}));

    // The stop event stands first: it wins, and the outstanding wait is
    // neither handed over nor issued again.
    fake.Calls.clear();
    fake.Wakes = {WAIT_OBJECT_0, WAIT_OBJECT_0 + 1};
    device.Interrupt();
    EXPECT_EQ(device.WaitEvent(events), SerialDevice::WaitResult::Interrupted);
    EXPECT_EQ(device.WaitEvent(events), SerialDevice::WaitResult::Completed);
    EXPECT_EQ(fake.Calls, Calls({"SetEvent", "WaitCommEvent", "WaitForMultipleObjects", "WaitForMultipleObjects",
                                 "GetOverlappedResult"}));
    // The system keeps no change counters: each completed event counts one.
    fake.ModemWord = MS_CTS_ON;
    const ModemLines lines = device.ReadModemLines();
    EXPECT_EQ(lines.status, 0x0010u);
    EXPECT_EQ(lines.Changes(SerialDevice::MsCtsOn), 2u);
    EXPECT_EQ(lines.Changes(SerialDevice::MsDsrOn), 0u);
}

TEST_F(Win32Backend, AFailedWaitIsSkippedAndAFailedSleepEndsTheLoop)
{
    open();
    fake.Events = EV_DSR;
    fake.Wakes = {WAIT_OBJECT_0 + 1, WAIT_OBJECT_0 + 1};
    fake.Results = {FALSE, TRUE};
    std::uint32_t events = 0;
    EXPECT_EQ(device.WaitEvent(events), SerialDevice::WaitResult::Completed);
    EXPECT_EQ(events, static_cast<std::uint32_t>(EV_DSR));
    EXPECT_EQ(std::count(fake.Calls.begin(), fake.Calls.end(), "WaitCommEvent"), 2);

    fake.Wakes = {WAIT_FAILED};
    EXPECT_EQ(device.WaitEvent(events), SerialDevice::WaitResult::Failed);
    // A port that cannot wait at all fails at once instead of spinning.
    open();
    fake.WaitError = ERROR_BAD_COMMAND;
    EXPECT_EQ(device.WaitEvent(events), SerialDevice::WaitResult::Failed);
    EXPECT_EQ(device.LastError(), ERROR_BAD_COMMAND);
}

TEST_F(Win32Backend, ClosingCancelsTheOutstandingWaitAndWaitsForItBeforeTheHandleGoes)
{
    open();
    fake.Wakes = {WAIT_OBJECT_0};
    std::uint32_t events = 0;
    device.WaitEvent(events);
    device.Purge();
    EXPECT_EQ(fake.PurgeFlags, static_cast<DWORD>(PURGE_RXABORT | PURGE_RXCLEAR));
    fake.Calls.clear();
    fake.OverlappedWaits.clear();
    device.Close();
    EXPECT_EQ(fake.Calls,
              Calls({"CancelIoEx", "GetOverlappedResult", "CloseHandle", "CloseHandle", "CloseHandle"}));
    EXPECT_EQ(fake.OverlappedWaits, std::vector<BOOL>({TRUE}));
    EXPECT_EQ(fake.OpenHandles, 0);
}

TEST_F(Win32Backend, TheStatusWordAndTheQueueComeAfterClearingTheLineError)
{
    open();
    fake.ModemWord = MS_DSR_ON | MS_CTS_ON;
    fake.InQueue = 7;
    EXPECT_EQ(device.ModemStatus(), 0x0030u);
    EXPECT_EQ(device.BytesWaiting(), 7);
    EXPECT_EQ(fake.Calls, Calls({"ClearCommError", "GetCommModemStatus", "ClearCommError"}));
}

// A relay on the lines: each is set or cleared on its own, as asked.
TEST_F(Win32Backend, ControlLinesAreSetAndClearedOneByOne)
{
    LineSettings relay;
    relay.EnableDTR = false;
    open(relay);
    EXPECT_EQ(fake.Dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(fake.Dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    ASSERT_TRUE(device.SetControlLines(true, false));
    ASSERT_TRUE(device.SetControlLines(false, true));
    EXPECT_EQ(fake.Calls, Calls({"EscapeCommFunction " + std::to_string(SETDTR),
                                 "EscapeCommFunction " + std::to_string(CLRRTS),
                                 "EscapeCommFunction " + std::to_string(CLRDTR),
                                 "EscapeCommFunction " + std::to_string(SETRTS)}));
}

TEST_F(Win32Backend, ErrorTextsAreTheSystemsOrTheCodeInDecimal)
{
    fake.Texts[5] = "Zugriff verweigert\r\n";
    EXPECT_EQ(Win32ErrorText(fake.Api(), 5), "Zugriff verweigert\r\n");
    EXPECT_EQ(fake.FormatFlags, static_cast<DWORD>(FORMAT_MESSAGE_FROM_SYSTEM));
    EXPECT_EQ(fake.FormatLanguage, 0x0400u);
    EXPECT_EQ(fake.FormatSize, 255u);
    EXPECT_EQ(Win32ErrorText(fake.Api(), 1234), "1234");
}

TEST_F(Win32Backend, ThePortScanCountsCharacterDevicesAndClosesEveryHandle)
{
    fake.Devices = {{"//./COM3", FILE_TYPE_CHAR}, {"//./COM12", FILE_TYPE_DISK}, {"//./COM64", FILE_TYPE_CHAR}};
    const std::uint64_t found = ScanPortSet([&](int n) { return Win32PortPresent(fake.Api(), n); });
    EXPECT_EQ(found, (std::uint64_t{1} << 2) | (std::uint64_t{1} << 63));
    EXPECT_EQ(std::count(fake.Calls.begin(), fake.Calls.end(), "CreateFileA"), 64);
    EXPECT_EQ(fake.OpenHandles, 0);
}

} // namespace
