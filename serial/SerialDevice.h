#pragma once

#include "serial/DeviceControl.h"
#include "serial/ModemLines.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What the serial port component needs from the platform. One object serves
// one open port. All calls but Interrupt() come from one thread at a time:
// the GUI thread while no wait thread runs, the wait thread for WaitEvent and
// Purge while it runs. Interrupt() may come from any thread at any time.
class SerialDevice {
public:
    // Line-event flags, the classic communication-event values.
    static constexpr std::uint32_t EvRxChar = 0x0001;
    static constexpr std::uint32_t EvRxFlag = 0x0002;
    static constexpr std::uint32_t EvTxEmpty = 0x0004;
    static constexpr std::uint32_t EvCts = 0x0008;
    static constexpr std::uint32_t EvDsr = 0x0010;
    static constexpr std::uint32_t EvRlsd = 0x0020;
    static constexpr std::uint32_t EvBreak = 0x0040;
    static constexpr std::uint32_t EvErr = 0x0080;
    static constexpr std::uint32_t EvRing = 0x0100;

    // Modem-status word bits.
    static constexpr std::uint32_t MsCtsOn = 0x0010;
    static constexpr std::uint32_t MsDsrOn = 0x0020;
    static constexpr std::uint32_t MsRingOn = 0x0040;
    static constexpr std::uint32_t MsRlsdOn = 0x0080;

    enum class WaitResult {
        Completed,   // events holds what happened (possibly nothing)
        Interrupted, // Interrupt() woke the wait, or a signal did
        Failed,      // the device stopped working; waiting again would fail again
    };

    virtual ~SerialDevice() = default;

    // Opens port n exclusively. False on failure, with LastError() set.
    virtual bool Open(int port) = 0;
    // Writes the line settings, timeouts and queue sizes.
    virtual bool ApplySettings(const DeviceControl &control) = 0;
    // Chooses the events that WaitEvent reports (Ev* flags).
    virtual bool SetEventMask(std::uint32_t mask) = 0;
    // Sleeps until an event of the mask occurs, Interrupt() is called, or the
    // device fails. Never polls where the platform can wait.
    virtual WaitResult WaitEvent(std::uint32_t &events) = 0;
    // Wakes a WaitEvent in progress. A wake that arrives just before the wait
    // starts may be lost: callers repeat it until the waiter has left.
    virtual void Interrupt() = 0;
    // The modem-status word (Ms* bits); 0 when it cannot be read.
    virtual std::uint32_t ModemStatus() = 0;
    // The levels and change counters of the input lines; from any thread,
    // also while a wait runs.
    virtual ModemLines ReadModemLines() = 0;
    // Sets the output lines DTR and RTS, for a port whose lines switch
    // something (RTS is the handshake's where that is on). From the thread
    // that opened the device, also while a wait runs. False on failure.
    virtual bool SetControlLines(bool dtr, bool rts) = 0;
    // Bytes waiting in the receive queue.
    virtual int BytesWaiting() = 0;
    // Drops pending input.
    virtual void Purge() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // The error code of the last failed call (errno on POSIX).
    virtual int LastError() const = 0;
    // After ApplySettings failed: the port took the settings but did not keep
    // DTR or RTS as they were set (another program switching them off).
    virtual bool LinesRefused() const = 0;
};

using SerialDeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

// The system's text for an error code, or the code in decimal when the
// system has none; at most 255 characters.
std::string ErrorCodeText(int code);
