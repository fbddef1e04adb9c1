#include "feed/HostAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

std::string AddressBytes(std::string_view address)
{
    const std::string text(address);
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1)
        return {reinterpret_cast<const char *>(&v6), sizeof v6};
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return {reinterpret_cast<const char *>(&v4), sizeof v4};
    return {};
}

std::string OwnHostName()
{
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

std::vector<std::string> OwnAddressBytes()
{
    std::vector<std::string> addresses;
    ifaddrs *first = nullptr;
    if (getifaddrs(&first) != 0)
        return addresses;
    for (const ifaddrs *at = first; at; at = at->ifa_next) {
        if (!at->ifa_addr)
            continue;
        if (at->ifa_addr->sa_family == AF_INET) {
            const auto &address = reinterpret_cast<const sockaddr_in *>(at->ifa_addr)->sin_addr;
            addresses.emplace_back(reinterpret_cast<const char *>(&address), sizeof address);
        } else if (at->ifa_addr->sa_family == AF_INET6) {
            const auto &address = reinterpret_cast<const sockaddr_in6 *>(at->ifa_addr)->sin6_addr;
            addresses.emplace_back(reinterpret_cast<const char *>(&address), sizeof address);
        }
    }
    freeifaddrs(first);
    return addresses;
}
