#include "feed/HostAddresses.h"

bool IsLoopbackBytes(std::string_view bytes)
{
    if (bytes.size() == 4)
        return static_cast<unsigned char>(bytes[0]) == 127;
    return bytes == std::string(15, '\0') + '\1';
}

bool IsLoopbackAddress(std::string_view address)
{
    return IsLoopbackBytes(AddressBytes(address));
}
