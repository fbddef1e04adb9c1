#pragma once

#include "serial/PortRefusal.h"

#include <cstdint>
#include <optional>
#include <string>

// Tells whether serial port n is present: its device node opens for reading
// and writing, is a character device nobody else holds, and the kernel has a
// driver behind it. Works on a device tree under a root folder, so that tests
// can build a fake one ("/" for the real machine).
class PortProbe {
public:
    explicit PortProbe(std::string root = "/");

    bool IsPresent(int port) const;
    // Set when port n has a driver and its node refuses this user (EACCES or
    // EPERM), as for a user outside the node's group; it names the group
    // that may open the node, "dialout" when none may.
    std::optional<PortRefusal> Refusal(int port) const;

private:
    bool HasDriver(const std::string &tty) const;

    std::string root_;
};
