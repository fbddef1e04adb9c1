#include "serial/SysfsAttribute.h"

#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

std::optional<long> ReadSysfsNumber(const std::string &path)
{
    std::ifstream file(path);
    std::string text;
    if (!file || !std::getline(file, text))
        return std::nullopt;
    const char *begin = text.c_str();
    char *end = nullptr;
    errno = 0;
    const long number = std::strtol(begin, &end, 10);
    if (end == begin || errno != 0)
        return std::nullopt;
    return number;
}

std::string SysfsCharDevice(const std::string &sysRoot, unsigned long device)
{
    return sysRoot + "/dev/char/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
}
