#pragma once

#include "serial/SerialDevice.h"
#include "serial/Win32Kernel32.h"

#include <array>
#include <atomic>

// A serial port through the Win32 communications calls: opened exclusively
// for overlapped waits on the line events, with a stop event that wins over
// a wait completing at the same time. The outstanding wait and its record
// stay valid until the wait has completed or been cancelled.
class Win32SerialDevice final : public SerialDevice {
public:
    explicit Win32SerialDevice(const Kernel32 &api = SystemKernel32());
    ~Win32SerialDevice() override;

    bool Open(int port) override;
    bool ApplySettings(const DeviceControl &control) override;
    bool SetControlLines(bool dtr, bool rts) override;
    bool SetEventMask(std::uint32_t mask) override;
    WaitResult WaitEvent(std::uint32_t &events) override;
    void Interrupt() override;
    std::uint32_t ModemStatus() override;
    // The system keeps no change counters: each line event counts one.
    ModemLines ReadModemLines() override;
    int BytesWaiting() override;
    void Purge() override;
    void Close() override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    int LastError() const override { return static_cast<int>(lastError_); }
    // The system sets DTR and RTS itself; nothing to check them against.
    bool LinesRefused() const override { return false; }

    // The device control block for control, as SetCommState gets it.
    static DCB MakeDcb(const DeviceControl &control);

private:
    bool Failed();
    void CountChanges(std::uint32_t events);

    const Kernel32 &api_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    // Manual reset: once set, every wait ends until the port is closed.
    HANDLE stopEvent_ = nullptr;
    OVERLAPPED overlapped_{};
    // Written by the system while a wait is outstanding.
    DWORD eventMask_ = 0;
    bool waitOutstanding_ = false;
    DWORD lastError_ = 0;
    // Line events reported so far, by line as ModemLines counts them.
    std::array<std::atomic<std::uint32_t>, 4> changes_{};
};
