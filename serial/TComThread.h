#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class GuiHandOver;
class SerialDevice;
class TComPort;

// The wait thread of an open port: sleeps until a watched line event or a
// stop request, and hands each completed wait to the GUI thread, where the
// port's handlers run. It exists exactly while its port is connected.
class TComThread {
public:
    // Writes the event mask from the port's Events and starts waiting.
    TComThread(TComPort &owner, SerialDevice &device, GuiHandOver &handOver);
    // Stops the thread and waits for its end, serving pending hand-overs.
    ~TComThread();

    TComThread(const TComThread &) = delete;
    TComThread &operator=(const TComThread &) = delete;

    void RequestStop();

    // The events of the wait being handed over; read by DispatchEvents on the
    // GUI thread while this thread is blocked in the hand-over.
    std::uint32_t EventMask = 0;

private:
    void Execute();

    TComPort &owner_;
    SerialDevice &device_;
    GuiHandOver &handOver_;
    const unsigned generation_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};
