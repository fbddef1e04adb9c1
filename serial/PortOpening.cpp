#include "serial/PortOpening.h"

#include "serial/PlatformSerial.h"
#include "serial/TComPort.h"

#include <chrono>
#include <thread>

PortOpening::PortOpening(TComPort &port, std::function<bool(int)> present,
                         std::function<std::optional<PortRefusal>(int)> refused)
    : port_(port), present_(std::move(present)), refused_(std::move(refused))
{
}

std::uint64_t PortOpening::Scan()
{
    found_ = ScanPortSet([this](int port) { return present_(port) || (refused_ && refused_(port)); });
    return found_;
}

int PortOpening::Missing() const
{
    const int port = port_.Port;
    if (port == 0)
        return 0;
    const bool found = port <= 64 && (found_ & (std::uint64_t{1} << (port - 1)));
    return found ? 0 : port;
}

bool PortOpening::Open()
{
    if (port_.Port == 0)
        return true;
    try {
        port_.Open();
    } catch (const std::exception &) {
        // Runs on without sensor input; the port set is kept and stored.
    }
    return port_.Connected();
}

bool PortOpening::Reopen(int port)
{
    // A line event already handed over is delivered before OnClose.
    try {
        port_.Close();
    } catch (const std::exception &) {
    }
    port_.Port = static_cast<std::uint8_t>(port);
    if (port != 0) {
        // The driver's moment to let go of the port. Nothing is handed over
        // while it is closed, and no events run here, so the settings
        // cannot be saved again in between.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Open();
}

PortTrouble PortOpening::Trouble() const
{
    if (port_.LinesRefused())
        return {.linesRefused = true, .refusal = {}};
    return {.linesRefused = false, .refusal = refused_ ? refused_(port_.Port) : std::nullopt};
}
