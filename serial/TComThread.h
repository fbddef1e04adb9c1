#pragma once

#include "serial/ModemLines.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

class GuiHandOver;
class SerialDevice;
class TComPort;

// The wait thread of an open port: sleeps until a watched line event or a
// stop request, and hands each completed wait to the GUI thread, where the
// port's handlers run. It exists exactly while its port is connected, or, when
// a handler closed the port, until that handler has returned.
class TComThread {
public:
    // Writes the event mask from the port's Events and starts waiting.
    TComThread(TComPort &owner, SerialDevice &device, GuiHandOver &handOver);
    // Stops the thread and waits for its end, serving pending hand-overs.
    // Never while HandingOver(): the thread cannot end before that returns.
    ~TComThread();

    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    void RequestStop();

    // GUI thread: true while a request of this thread runs there, that is
    // while the thread is blocked until a handler returns.
    bool HandingOver() const { return handingOver_ > 0; }

    // The events of the wait being handed over; read by DispatchEvents on the
    // GUI thread while this thread is blocked in the hand-over.
    std::uint32_t EventMask = 0;
    // The lines as read when that wait returned.
    ModemLines Lines;
    // The moment that wait returned, as near to the kernel's report as this
    // thread gets (just after Lines were read); the debounce measures from it.
    std::chrono::steady_clock::time_point WaitReturned;

private:
    void Execute();
    // Runs request on the GUI thread and waits for it; false when it threw.
    bool HandOver(const std::function<void()> &request);

    TComPort &owner_;
    SerialDevice &device_;
    GuiHandOver &handOver_;
    const unsigned generation_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    int handingOver_ = 0; // GUI thread only
    std::thread thread_;
};
