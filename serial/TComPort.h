#pragma once

#include "serial/ComErrors.h"
#include "serial/DeviceControl.h"
#include "serial/LineSettings.h"
#include "serial/SerialDevice.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class GuiHandOver;
class TComThread;

enum TEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD };

// A set of TEvent: bit n for the event with ordinal n.
class TEvents {
public:
    constexpr TEvents() = default;
    constexpr TEvents(std::initializer_list<TEvent> events)
    {
        for (TEvent event : events)
            bits_ |= 1u << event;
    }
    static constexpr TEvents All()
    {
        TEvents all;
        all.bits_ = 0x1FF;
        return all;
    }
    constexpr bool Contains(TEvent event) const { return bits_ & (1u << event); }
    constexpr std::uint16_t Bits() const { return bits_; }
    constexpr bool operator==(const TEvents &) const = default;

private:
    std::uint16_t bits_ = 0;
};

// The serial port whose modem-control lines carry the light barriers. It
// opens a port by number with fixed line settings and reports line changes
// as handler calls on the GUI thread, from its wait thread.
class TComPort : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *sender)>;
    using TRxCharEvent = std::function<void(QObject *sender, int InQue)>;

    // Without a factory the port uses the platform's serial devices.
    explicit TComPort(QObject *owner = nullptr, SerialDeviceFactory factory = {});
    ~TComPort() override;

    TBaudRate BaudRate = br9600;
    std::int32_t BaudRateUser = 9600;
    // The n of "COMn"; 0 is what the program uses for "no port".
    std::uint8_t Port = 1;
    TParity Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    TFlowControl FlowControl = fcNone;
    TEvents Events = TEvents::All();
    bool EnableDTR = true;
    std::int32_t WriteBufSize = 2048;
    std::int32_t ReadBufSize = 2048;

    std::uint8_t DataBits() const { return dataBits_; }
    // Stores 5 … 8; values outside are clamped.
    void SetDataBits(std::uint8_t value);

    TRxCharEvent OnRxChar;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnRLSD;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnError;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    // The device failed (an unplugged adapter); after the port's OnClose.
    TNotifyEvent OnLost;

    // Opens the port with the current properties; throws EComHandle when it
    // cannot be opened, EComState when it refuses the settings.
    void Open();
    // Also safe from the port's own handlers: the port is released and
    // OnClose called at once; the wait thread ends once the handler returned.
    void Close();
    bool Connected() const { return connected_; }
    // The modem-status word of the open port; 0 while closed.
    std::uint32_t ModemStatus();
    // Bytes waiting in the receive queue.
    int InQue();
    // Switches DTR and RTS of the open port, for a port whose lines drive a
    // relay; false while closed or when the device failed.
    bool SetControlLines(bool dtr, bool rts);

    // The line settings that Open writes, from the current properties.
    DeviceControl MakeDeviceControl() const;
    // The platform event flags for Events.
    std::uint32_t EventFlags() const;

    // GUI thread, for the wait thread: calls the handlers of one completed
    // wait in their fixed order, as long as the connection lasts.
    void DispatchEvents(std::uint32_t eventMask,
                        std::chrono::steady_clock::time_point waitReturned = std::chrono::steady_clock::now(),
                        const ModemLines &lines = {});
    // While a handler runs: the moment the wait it reports returned.
    std::chrono::steady_clock::time_point EventTime() const { return eventTime_; }
    // While a handler runs: the lines and their counters as that wait left them.
    const ModemLines &EventLines() const { return eventLines_; }
    // The lines of the open port now, with their counters; empty while closed.
    ModemLines ReadModemLines();
    // The last Open failed because the port took its settings but did not
    // keep DTR or RTS on (another program holding the line).
    bool LinesRefused() const { return linesRefused_; }
    // Counts the opens; tells one connection from the next.
    unsigned Generation() const { return generation_; }
    // GUI thread, for the wait thread: the device of connection generation
    // failed; closes the port unless it was reopened since.
    void LineLost(unsigned generation);
    // GUI thread, for the wait thread: one of its requests has returned.
    void HandOverReturned();

    // Hand-overs waiting for the GUI thread; tells a test that the wait
    // thread has reached its hand-over.
    std::size_t PendingHandOvers() const;
    // Wait threads of connections that a handler closed, not yet ended.
    std::size_t EndingThreads() const { return retired_.size(); }

private:
    void ApplySettings();
    // Ends the wait threads of earlier connections whose handlers returned.
    void ReapRetired();

    // The wait thread and device of a connection that a handler closed.
    struct Retired {
        // The thread uses the device until it has ended: declared after it.
        std::unique_ptr<SerialDevice> device;
        std::unique_ptr<TComThread> thread;
    };

    SerialDeviceFactory factory_;
    std::uint8_t dataBits_ = 8;
    bool connected_ = false;
    bool closing_ = false;
    unsigned generation_ = 0;
    bool linesRefused_ = false;
    std::chrono::steady_clock::time_point eventTime_;
    ModemLines eventLines_;
    std::unique_ptr<SerialDevice> device_;
    GuiHandOver *handOver_;
    std::unique_ptr<TComThread> thread_;
    std::vector<Retired> retired_;
};
