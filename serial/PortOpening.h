#pragma once

#include "serial/PortRefusal.h"

#include <cstdint>
#include <functional>
#include <optional>

class TComPort;

// Why the barriers' port stayed closed, for the operator's hint.
struct PortTrouble {
    // The port took its settings but would not keep its RTS line: there,
    // but of no use, as if it were lost.
    bool linesRefused = false;
    // Otherwise: the port exists but this user may not open it.
    std::optional<PortRefusal> refusal;
};

// Opens the barriers' port at start and after the settings are saved, and
// finds what stands in the way when it stays closed. Without its port the
// program runs on without sensor input.
class PortOpening {
public:
    // present: whether serial port n (1 … 64) is present and free; refused:
    // set when port n exists but this user may not open it (may be empty).
    PortOpening(TComPort &port, std::function<bool(int)> present,
                std::function<std::optional<PortRefusal>(int)> refused);

    // Looks for the present ports and those this user may not open (so that
    // the operator can choose one and is told why it stays dead): bit n-1
    // for port n.
    std::uint64_t Scan();
    // The port set, when the last scan did not find it; 0 when it did or
    // there is none.
    int Missing() const;
    // Opens the port set unless it is 0; false when it stayed closed.
    bool Open();
    // Closes the port and opens port instead (none: 0), also the same one;
    // false when it stayed closed.
    bool Reopen(int port);
    // After an open that failed.
    PortTrouble Trouble() const;

private:
    TComPort &port_;
    std::function<bool(int)> present_;
    std::function<std::optional<PortRefusal>(int)> refused_;
    std::uint64_t found_ = 0;
};
