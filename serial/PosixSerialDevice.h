#pragma once

#include "serial/SerialDevice.h"

#include <pthread.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// The serial device on Linux. Only the modem-status lines are watched (CTS,
// DSR, RI, DCD): WaitEvent reports EvCts, EvDsr, EvRing and EvRlsd and never
// the data or error events (EvRxChar, EvErr, ...), which this program does not
// use.
//
// A wait sleeps in TIOCMIWAIT, which only a signal can end: Interrupt() sends
// the waiting thread InterruptSignal(), whose handler does nothing. Drivers
// that cannot wait (cp210x) are sampled with TIOCMGET every 10 ms instead.
//
// Received bytes are thrown away as they come: the driver sends the waiting
// thread the same signal for them (O_ASYNC), and every wait empties the input
// queue. Left to fill, the queue would make the handshake drop RTS, the exit
// barrier's feed. Every wait also raises DTR and RTS again where they were
// set and another program has switched them off.
class PosixSerialDevice final : public SerialDevice {
public:
    // The device file behind a port number; empty when there is none.
    using PathResolver = std::function<std::string(int port)>;

    // Without a resolver, port n is SerialDeviceName(n). sysRoot is where
    // sysfs is mounted (a fake tree in tests).
    explicit PosixSerialDevice(PathResolver resolver = {}, std::string sysRoot = "/sys");
    ~PosixSerialDevice() override;

    PosixSerialDevice(const PosixSerialDevice &) = delete;
    PosixSerialDevice &operator=(const PosixSerialDevice &) = delete;

    bool Open(int port) override;
    bool ApplySettings(const DeviceControl &control) override;
    bool SetEventMask(std::uint32_t mask) override;
    WaitResult WaitEvent(std::uint32_t &events) override;
    void Interrupt() override;
    std::uint32_t ModemStatus() override;
    ModemLines ReadModemLines() override;
    bool SetControlLines(bool dtr, bool rts) override;
    int BytesWaiting() override;
    void Purge() override;
    void Close() override;
    bool IsOpen() const override;
    int LastError() const override;
    bool LinesRefused() const override;

    // True once the open device turned out unable to wait and is sampled.
    bool IsSampling() const;

    // The real-time signal that wakes a wait (SIGRTMIN+5 unless that one was
    // taken); installs its handler on first use.
    static int InterruptSignal();

private:
    // What the driver last told about the input lines: its transition
    // counters where it keeps them, otherwise the line levels.
    struct LineState {
        bool valid = false;
        bool counted = false;
        int cts = 0, dsr = 0, rng = 0, dcd = 0; // transitions so far
        int levels = 0;                          // TIOCM_* bits
    };

    bool Fail(int error);
    // Makes the freshly opened fd this program's port: 0, or why not.
    int Claim(int fd);
    bool ReadLines(LineState &state);
    // Reads the lines and tells which watched ones changed since last time.
    bool TakeChanges(int lines, std::uint32_t &events);
    // Makes now the lines' state seen last; where the driver keeps no
    // counters, counts the changes of level.
    void See(const LineState &now);
    // Empties the input queue and raises DTR and RTS where they were set.
    void Tend();
    WaitResult WaitBlocking(int lines, std::uint32_t &events);
    WaitResult WaitSampling(int lines, std::uint32_t &events);
    // The Ev* flags of the watched lines that differ between before and now.
    std::uint32_t Changes(const LineState &now, int lines) const;

    PathResolver resolver_;
    std::string sysRoot_;
    int fd_ = -1;
    std::uint32_t mask_ = 0;
    LineState seen_;           // at the end of the previous wait
    std::atomic<bool> countsWork_{true}; // TIOCGICOUNT supported
    std::atomic<bool> sampling_{false};
    // The counters where the driver's are not used, as ModemLines orders them.
    std::array<std::atomic<std::uint32_t>, 4> counted_{};
    // TIOCM_DTR, TIOCM_RTS as ApplySettings or SetControlLines set them;
    // the lock keeps a wait from raising a line again that is being cleared.
    std::mutex controlMutex_;
    int controlLines_ = 0;
    bool linesRefused_ = false;
    std::atomic<int> lastError_{0};
    // The thread inside WaitEvent, for Interrupt().
    std::atomic<pthread_t> waiter_{};
    std::atomic<bool> waiting_{false};
};
