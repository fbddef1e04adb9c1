#pragma once

#include <optional>
#include <string>

// The decimal number in a sysfs attribute file ("4\n"); empty when the file
// cannot be read or holds no number.
std::optional<long> ReadSysfsNumber(const std::string &path);

// The attribute folder of a character device, by its device number:
// <sysRoot>/dev/char/MAJOR:MINOR.
std::string SysfsCharDevice(const std::string &sysRoot, unsigned long device);
