#pragma once

#include "serial/SerialDevice.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>

// Serial ports without hardware: their input lines are set by a test or by a
// person from any thread, and devices opened through Factory() see the
// changes as real line events, with the same wait and wake-up contract as a
// real port.
class SimulatedSerialPorts {
public:
    // The ports that are "plugged in".
    explicit SimulatedSerialPorts(std::set<int> ports);

    bool IsPresent(int port) const;
    SerialDeviceFactory Factory();

    // Sets the modem-status word (SerialDevice::Ms* bits) of a port; each
    // watched line that changes becomes an event of an open device.
    void SetLines(int port, std::uint32_t status);
    void SetLine(int port, std::uint32_t bit, bool on);
    // The lines of status bits go the other way and back at once, as in a
    // flicker between two readings: each counts two changes and is reported
    // as an event, and its level stays.
    void Flicker(int port, std::uint32_t bits);
    std::uint32_t Lines(int port) const;
    // Pulls the adapter out: the open device fails with EIO from now on.
    void Unplug(int port);
    // Plugs it in again.
    void Plug(int port);
    // Makes the next opens of a port refuse their line settings.
    void RefuseSettings(int port, bool refuse);
    // Another program holds the port's RTS off: the next opens with the
    // handshake fail as on a port that does not keep its RTS line.
    void HoldRtsOff(int port, bool held);
    // The settings the port was last opened with.
    DeviceControl LastSettings(int port) const;
    bool IsOpen(int port) const;
    // The output lines DTR and RTS, as the program set them; off while the
    // port is closed or unplugged.
    bool Dtr(int port) const;
    bool Rts(int port) const;
    // How often an open device of the port dropped its input.
    int Purges(int port) const;

    // The state of one port, shared with the device that has it open.
    struct Line {
        std::uint32_t status = 0;
        // Changes of each line so far, as ModemLines counts them.
        std::array<std::uint32_t, 4> changes{};
        bool present = true;
        bool open = false;
        bool unplugged = false;
        bool refuseSettings = false;
        bool rtsHeldOff = false;
        bool dtr = false;
        bool rts = false;
        std::uint32_t eventMask = 0;
        std::uint32_t pending = 0;
        bool interrupted = false;
        int purges = 0;
        DeviceControl settings;
    };

private:
    friend class SimulatedSerialDevice;

    Line *Find(int port);
    const Line *Find(int port) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, Line> lines_;
};
