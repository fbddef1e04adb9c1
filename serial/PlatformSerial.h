#pragma once

#include "serial/PortRefusal.h"
#include "serial/SerialDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// The serial backend of the platform the program is built for: the build
// picks its source file (Linux or Win32), so this is the one place where the
// choice is made.

// A device for the port component.
std::unique_ptr<SerialDevice> NewPlatformSerialDevice();
// Whether serial port n (1 … 64) is present and free, for the port scan.
bool PlatformPortPresent(int port);
// Set when serial port n exists but this user lacks the permission to open
// it; never where the platform has no such permission (Windows).
std::optional<PortRefusal> PlatformPortRefusal(int port);

// The set of present ports among 1 … 64: bit n-1 for port n.
std::uint64_t ScanPortSet(const std::function<bool(int)> &isPresent);
