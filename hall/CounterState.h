#pragma once

#include <cstdint>

// The program's shared counter state. One instance lives as long as the
// application; the windows get it by reference and touch it on the GUI thread
// only, so it needs no lock.
struct CounterState {
    // Visitors inside now and the capacity of the hall, as the hall has them:
    // a copy that only the hall's CounterMirror writes, for the windows to
    // read. Every change goes through the hall.
    std::int32_t VisitorCount = 0;
    std::int32_t MaxCounter = 5;
    // Line level at which the entry (DSR) and exit (CTS) barrier count:
    // false = when the line goes off, true = when it goes on.
    bool ContaktIn = false;
    bool ContaktOut = false;
    // Position of the public display's monitor in the platform's list.
    int MonitorIndex = 0;
    // Whether MonitorIndex was stored or chosen by the operator; without a
    // choice the display takes a monitor other than the operator's.
    bool MonitorChosen = false;
    // Modem-status word last acted on; the start value is one that no
    // status reading produces, so the first reading always differs.
    std::uint32_t LineState = 0x55555555u;
    // Bit n-1 set when serial port n was found at start.
    std::uint64_t AvailablePorts = 0;
};
