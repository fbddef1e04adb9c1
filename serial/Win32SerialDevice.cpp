#include "serial/Win32SerialDevice.h"

#include <string>
#include <utility>

Win32SerialDevice::Win32SerialDevice(const Kernel32 &api) : api_(api) {}

Win32SerialDevice::~Win32SerialDevice()
{
    Close();
}

bool Win32SerialDevice::Failed()
{
    lastError_ = api_.GetLastError();
    return false;
}

bool Win32SerialDevice::Open(int port)
{
    Close();
    // The device namespace reaches COM10 and above too.
    const std::string name = "\\\\.\\COM" + std::to_string(port);
    handle_ = api_.CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        return Failed();
    stopEvent_ = api_.CreateEventA(nullptr, TRUE, FALSE, nullptr);
    overlapped_ = {};
    overlapped_.hEvent = api_.CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (!stopEvent_ || !overlapped_.hEvent) {
        Failed();
        Close();
        return false;
    }
    return true;
}

DCB Win32SerialDevice::MakeDcb(const DeviceControl &control)
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = control.BaudRate;
    dcb.fBinary = (control.Flags & DeviceControl::fBinary) ? 1 : 0;
    dcb.fDtrControl = control.DtrOn() ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = (control.Flags & DeviceControl::fOutxCtsFlow) ? 1 : 0;
    dcb.fRtsControl = control.RtsCtsHandshake() ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    dcb.fOutX = (control.Flags & DeviceControl::fOutX) ? 1 : 0;
    dcb.fInX = (control.Flags & DeviceControl::fInX) ? 1 : 0;
    dcb.XonLim = control.XonLim;
    dcb.XoffLim = control.XoffLim;
    dcb.ByteSize = control.ByteSize;
    dcb.Parity = control.Parity;
    dcb.StopBits = control.StopBits;
    dcb.XonChar = control.XonChar;
    dcb.XoffChar = control.XoffChar;
    dcb.ErrorChar = control.ErrorChar;
    dcb.EofChar = control.EofChar;
    dcb.EvtChar = control.EvtChar;
    return dcb;
}

bool Win32SerialDevice::ApplySettings(const DeviceControl &control)
{
    DCB dcb = MakeDcb(control);
    if (!api_.SetCommState(handle_, &dcb))
        return Failed();
    COMMTIMEOUTS timeouts{};
    if (!api_.GetCommTimeouts(handle_, &timeouts))
        return Failed();
    timeouts.ReadIntervalTimeout = control.ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = control.ReadTotalTimeoutMultiplier;
    timeouts.ReadTotalTimeoutConstant = control.ReadTotalTimeoutConstant;
    timeouts.WriteTotalTimeoutMultiplier = control.WriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = control.WriteTotalTimeoutConstant;
    if (!api_.SetCommTimeouts(handle_, &timeouts))
        return Failed();
    if (!api_.SetupComm(handle_, static_cast<DWORD>(control.ReadQueueSize), static_cast<DWORD>(control.WriteQueueSize)))
        return Failed();
    return true;
}

bool Win32SerialDevice::SetControlLines(bool dtr, bool rts)
{
    if (!api_.EscapeCommFunction(handle_, dtr ? SETDTR : CLRDTR) || !api_.EscapeCommFunction(handle_, rts ? SETRTS : CLRRTS))
        return Failed();
    return true;
}

bool Win32SerialDevice::SetEventMask(std::uint32_t mask)
{
    // Not examined: a port that refuses it reports no events.
    return api_.SetCommMask(handle_, mask) || Failed();
}

SerialDevice::WaitResult Win32SerialDevice::WaitEvent(std::uint32_t &events)
{
    for (;;) {
        if (!waitOutstanding_) {
            eventMask_ = 0;
            if (!api_.WaitCommEvent(handle_, &eventMask_, &overlapped_)) {
                // A port that cannot wait at all (an adapter pulled out)
                // would fail again at once: leave rather than spin.
                const DWORD error = api_.GetLastError();
                if (error != ERROR_IO_PENDING) {
                    lastError_ = error;
                    return WaitResult::Failed;
                }
            }
            waitOutstanding_ = true;
        }
        const HANDLE waitList[2] = {stopEvent_, overlapped_.hEvent};
        const DWORD woken = api_.WaitForMultipleObjects(2, waitList, FALSE, INFINITE);
        // The stop event stands first, so it wins when both are set; the
        // outstanding wait stays with its record for the next call or Close.
        if (woken == WAIT_OBJECT_0)
            return WaitResult::Interrupted;
        if (woken != WAIT_OBJECT_0 + 1) {
            Failed();
            return WaitResult::Failed;
        }
        DWORD unused = 0;
        const BOOL completed = api_.GetOverlappedResult(handle_, &overlapped_, &unused, FALSE);
        waitOutstanding_ = false;
        if (completed) {
            events = eventMask_;
            CountChanges(events);
            return WaitResult::Completed;
        }
        // A wait that completed with failure is skipped; the next is issued at once.
    }
}

void Win32SerialDevice::CountChanges(std::uint32_t events)
{
    constexpr std::pair<std::uint32_t, std::uint32_t> kLines[] = {
        {EvCts, MsCtsOn}, {EvDsr, MsDsrOn}, {EvRing, MsRingOn}, {EvRlsd, MsRlsdOn}};
    ModemLines counted;
    for (const auto &[event, line] : kLines)
        counted.Changes(line) = (events & event) ? 1 : 0;
    for (std::size_t i = 0; i < changes_.size(); ++i)
        changes_[i] += counted.changes[i];
}

ModemLines Win32SerialDevice::ReadModemLines()
{
    ModemLines lines;
    for (std::size_t i = 0; i < changes_.size(); ++i)
        lines.changes[i] = changes_[i];
    lines.status = ModemStatus();
    return lines;
}

void Win32SerialDevice::Interrupt()
{
    if (stopEvent_)
        api_.SetEvent(stopEvent_);
}

std::uint32_t Win32SerialDevice::ModemStatus()
{
    DWORD errors = 0;
    COMSTAT status{};
    api_.ClearCommError(handle_, &errors, &status);
    DWORD word = 0;
    return api_.GetCommModemStatus(handle_, &word) ? word : 0;
}

int Win32SerialDevice::BytesWaiting()
{
    DWORD errors = 0;
    COMSTAT status{};
    return api_.ClearCommError(handle_, &errors, &status) ? static_cast<int>(status.cbInQue) : 0;
}

void Win32SerialDevice::Purge()
{
    api_.PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
}

void Win32SerialDevice::Close()
{
    if (handle_ != INVALID_HANDLE_VALUE) {
        if (waitOutstanding_) {
            // The system writes into the record until the wait is over.
            DWORD unused = 0;
            api_.CancelIoEx(handle_, &overlapped_);
            api_.GetOverlappedResult(handle_, &overlapped_, &unused, TRUE);
            waitOutstanding_ = false;
        }
        api_.CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    if (overlapped_.hEvent) {
        api_.CloseHandle(overlapped_.hEvent);
        overlapped_.hEvent = nullptr;
    }
    if (stopEvent_) {
        api_.CloseHandle(stopEvent_);
        stopEvent_ = nullptr;
    }
}
