#pragma once

#include <string>

// A port whose device exists but that this user may not open: on Linux the
// user is not in the group the device belongs to.
struct PortRefusal {
    // "/dev/ttyUSB0"
    std::string device;
    // The device's group ("dialout").
    std::string group;
    // The user the program runs as.
    std::string user;
};
