#include "serial/PlatformSerial.h"

std::uint64_t ScanPortSet(const std::function<bool(int)> &isPresent)
{
    std::uint64_t ports = 0;
    for (int n = 1; n <= 64; ++n) {
        if (isPresent(n))
            ports |= std::uint64_t{1} << (n - 1);
    }
    return ports;
}
