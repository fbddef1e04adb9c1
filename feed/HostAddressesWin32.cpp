#include "feed/HostAddresses.h"

#include "feed/Winsock.h"

#include <iphlpapi.h>

#include <memory>

std::string AddressBytes(std::string_view address)
{
    const std::string text(address);
    IN6_ADDR v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1)
        return {reinterpret_cast<const char *>(&v6), sizeof v6};
    IN_ADDR v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return {reinterpret_cast<const char *>(&v4), sizeof v4};
    return {};
}

std::string OwnHostName()
{
    char name[256] = {};
    return StartWinsock() && gethostname(name, sizeof name - 1) == 0 ? name : "";
}

std::vector<std::string> OwnAddressBytes()
{
    std::vector<std::string> addresses;
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The system says how much it needs when the buffer is too small; an
    // interface may come between two calls, so a few tries.
    ULONG size = 16 * 1024;
    std::unique_ptr<char[]> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer = std::make_unique<char[]>(size);
        result = GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                      reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.get()), &size);
    }
    if (result != NO_ERROR)
        return addresses;
    for (auto *adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(buffer.get()); adapter;
         adapter = adapter->Next) {
        for (const IP_ADAPTER_UNICAST_ADDRESS *at = adapter->FirstUnicastAddress; at; at = at->Next) {
            const sockaddr *address = at->Address.lpSockaddr;
            if (address->sa_family == AF_INET) {
                const auto &bytes = reinterpret_cast<const sockaddr_in *>(address)->sin_addr;
                addresses.emplace_back(reinterpret_cast<const char *>(&bytes), sizeof bytes);
            } else if (address->sa_family == AF_INET6) {
                const auto &bytes = reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr;
                addresses.emplace_back(reinterpret_cast<const char *>(&bytes), sizeof bytes);
            }
        }
    }
    return addresses;
}
